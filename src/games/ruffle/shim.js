// The page reaches the network only through the viewer's scheme handler, which asks the games'
// sandbox (own origin, other origins by their /crossdomain.xml, a byte budget): Ruffle's own
// files, and every http(s) load or send of a movie, go through XMLHttpRequest to it. Every other
// scheme is refused here, as a failed load. (The Fetch API can't read our scheme anyway.) The
// protocol's values come from the viewer (protocol.js, written from its own constants).
(function () {
  "use strict";
  const protocol = window.qcProtocol;
  const ownScheme = location.protocol;
  const proxy = location.origin + "/fetch?";
  const statusMime = protocol.statusMime;
  const lengthMime = protocol.lengthMime;
  const maxSend = protocol.maxSend;

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
      // Not a blob: the browser's process would hold a blob's bytes until the page's garbage is
      // collected, out of the engine's memory budget and past the movie's life.
      xhr.responseType = "arraybuffer";
      xhr.onload = () => {
        const type = xhr.getResponseHeader("Content-Type") || "";
        const body = xhr.response || new ArrayBuffer(0);
        const length = body.byteLength;
        if (type === statusMime) {
          const failed = new Response(null, { status: parseInt(new TextDecoder().decode(body), 10) || 500 });
          Object.defineProperty(failed, "url", { value: shownUrl });
          return resolve(failed);
        }
        // A body cut short (the budget, a timeout, a new movie) is a failed load, not a shorter file.
        if (proxied && (!type.startsWith(lengthMime) || Number(type.slice(lengthMime.length)) !== length))
          return reject(new TypeError("Failed to fetch " + shownUrl));
        const response = new Response(body, {
          status: 200,
          headers: {
            "Content-Type": proxied ? "application/x-shockwave-flash" : type || "application/octet-stream",
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
  // SharedObjects: Ruffle keeps each in the page's storage as "<host>/<path>/<name>", its data in
  // base64. The storage lives in memory only (the profile writes nothing to disk) and holds at
  // most so much per site (Flash Player's default, in base64 characters) and altogether; past
  // that a flush fails, as it does in Flash Player when the user declines.
  (function () {
    let real;
    try {
      real = window.localStorage;
    } catch (e) {
      return;
    }
    if (!real) return;
    const site = (key) => String(key).split("/")[0];
    const used = (which) => {
      let n = 0;
      for (let i = 0; i < real.length; i++) {
        const key = real.key(i);
        if (which(key)) n += key.length + real.getItem(key).length;
      }
      return n;
    };
    const store = (key, value) => {
      key = String(key);
      value = String(value);
      const old = real.getItem(key);
      const more = key.length + value.length - (old === null ? 0 : key.length + old.length);
      if (used(() => true) + more > protocol.sharedObjectBytes ||
          used((k) => site(k) === site(key)) + more > protocol.sharedObjectBytesPerSite)
        throw new DOMException("The games' storage is full", "QuotaExceededError");
      real.setItem(key, value);
      return true;
    };
    const bounded = new Proxy(real, {
      get(target, name) {
        if (name === "setItem") return store;
        const value = target[name];
        return typeof value === "function" ? value.bind(target) : value;
      },
      set: (target, name, value) => typeof name === "string" && store(name, value),
      defineProperty: (target, name, description) => typeof name === "string" && store(name, description.value),
    });
    Object.defineProperty(window, "localStorage", { get: () => bounded, configurable: false });
  })();
  // Nothing else of the page's talks to the network on a movie's behalf.
  if (navigator.sendBeacon) navigator.sendBeacon = () => false;
  window.WebSocket = function () {
    throw new DOMException("Not allowed", "SecurityError");
  };
})();
