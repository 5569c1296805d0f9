// The Fetch API can't read our own scheme, and movie servers rarely send CORS headers: send
// Ruffle's own files and every http(s) GET through XMLHttpRequest to the viewer's scheme handler,
// which serves the files and downloads the movies itself.
(function () {
  "use strict";
  const ownScheme = location.protocol;
  const proxy = location.origin + "/fetch?u=";
  const statusMime = "application/x-qcgame-status";
  const realFetch = window.fetch.bind(window);

  function mimeOf(path) {
    if (path.endsWith(".wasm")) return "application/wasm";
    if (path.endsWith(".js")) return "text/javascript";
    if (path.endsWith(".html")) return "text/html";
    return "application/octet-stream";
  }

  function viaXhr(target, shownUrl, signal) {
    return new Promise((resolve, reject) => {
      const xhr = new XMLHttpRequest();
      xhr.open("GET", target);
      xhr.responseType = "arraybuffer";
      xhr.onload = () => {
        if (xhr.getResponseHeader("Content-Type") === statusMime) {
          const status = parseInt(new TextDecoder().decode(xhr.response), 10) || 500;
          const failed = new Response(null, { status: status });
          Object.defineProperty(failed, "url", { value: shownUrl });
          return resolve(failed);
        }
        const response = new Response(xhr.response, {
          status: 200,
          headers: {
            "Content-Type": target.startsWith(proxy) ? "application/x-shockwave-flash" : mimeOf(new URL(target).pathname),
            "Content-Length": String(xhr.response ? xhr.response.byteLength : 0),
          },
        });
        // Ruffle takes the movie's base address from here.
        Object.defineProperty(response, "url", { value: shownUrl });
        resolve(response);
      };
      xhr.onerror = () => reject(new TypeError("Failed to fetch " + shownUrl));
      xhr.onabort = () => reject(new DOMException("The fetch was aborted", "AbortError"));
      if (signal) {
        if (signal.aborted) return xhr.onabort();
        signal.addEventListener("abort", () => xhr.abort());
      }
      xhr.send();
    });
  }

  window.fetch = function (input, init) {
    const request = input instanceof Request ? input : null;
    const method = ((init && init.method) || (request && request.method) || "GET").toUpperCase();
    const signal = (init && init.signal) || (request && request.signal) || null;
    let url;
    try {
      url = new URL(request ? request.url : String(input), document.baseURI);
    } catch (e) {
      return realFetch(input, init);
    }
    if (method === "GET" && url.protocol === ownScheme) return viaXhr(url.href, url.href, signal);
    if (method === "GET" && (url.protocol === "http:" || url.protocol === "https:"))
      return viaXhr(proxy + encodeURIComponent(url.href), url.href, signal);
    return realFetch(input, init);
  };
})();
