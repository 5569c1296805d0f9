// The page reaches the network only through the viewer's scheme handler, which asks the games'
// sandbox (own origin, other origins by their /crossdomain.xml, a byte budget): Ruffle's own
// files, and every http(s) load or send of a movie, go through XMLHttpRequest to it. Every other
// scheme is refused here, as a failed load. (The Fetch API can't read our scheme anyway.)
(function () {
  "use strict";
  const ownScheme = location.protocol;
  const proxy = location.origin + "/fetch?";
  const statusMime = "application/x-qcgame-status";
  const lengthMime = "application/x-qcgame-length-";
  const maxSend = 64 * 1024;

  function mimeOf(path) {
    if (path.endsWith(".wasm")) return "application/wasm";
    if (path.endsWith(".js")) return "text/javascript";
    if (path.endsWith(".html")) return "text/html";
    return "application/octet-stream";
  }

  function refused(url) {
    return Promise.reject(new TypeError("Failed to fetch " + url));
  }

  function base64url(bytes) {
    let s = "";
    for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(s).replace(/\+/g, "-").replace(/\//g, "_");
  }

  function viaXhr(target, shownUrl, proxied, signal) {
    return new Promise((resolve, reject) => {
      const xhr = new XMLHttpRequest();
      xhr.open("GET", target);
      // A blob stays with the browser until the player reads it: one copy less in the page.
      xhr.responseType = proxied ? "blob" : "arraybuffer";
      xhr.onload = () => {
        const type = xhr.getResponseHeader("Content-Type") || "";
        const body = xhr.response || (proxied ? new Blob() : new ArrayBuffer(0));
        const length = proxied ? body.size : body.byteLength;
        if (type === statusMime) {
          return body.text().then((text) => {
            const failed = new Response(null, { status: parseInt(text, 10) || 500 });
            Object.defineProperty(failed, "url", { value: shownUrl });
            resolve(failed);
          });
        }
        // A body cut short (the budget, a timeout, a new movie) is a failed load, not a shorter file.
        if (proxied && (!type.startsWith(lengthMime) || Number(type.slice(lengthMime.length)) !== length))
          return reject(new TypeError("Failed to fetch " + shownUrl));
        const response = new Response(body, {
          status: 200,
          headers: {
            "Content-Type": proxied ? "application/x-shockwave-flash" : mimeOf(new URL(target).pathname),
            "Content-Length": String(length),
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
    let request, url;
    try {
      request = new Request(input, init);
      url = new URL(request.url, document.baseURI);
    } catch (e) {
      return Promise.reject(new TypeError("Failed to fetch"));
    }
    const method = request.method.toUpperCase();
    if (url.protocol === ownScheme) return method === "GET" ? viaXhr(url.href, url.href, false, request.signal) : refused(url.href);
    if (url.protocol !== "http:" && url.protocol !== "https:") return refused(url.href);
    const query = "u=" + encodeURIComponent(url.href);
    if (method === "GET") return viaXhr(proxy + query, url.href, true, request.signal);
    if (method !== "POST") return refused(url.href);
    return request.arrayBuffer().then((data) => {
      if (data.byteLength > maxSend) return refused(url.href);
      const type = request.headers.get("Content-Type") || "";
      const sent = query + "&m=POST&t=" + encodeURIComponent(type) + "&b=" + base64url(new Uint8Array(data));
      return viaXhr(proxy + sent, url.href, true, request.signal);
    });
  };
  // Nothing else of the page's talks to the network on a movie's behalf.
  if (navigator.sendBeacon) navigator.sendBeacon = () => false;
  window.WebSocket = function () {
    throw new DOMException("Not allowed", "SecurityError");
  };
})();
