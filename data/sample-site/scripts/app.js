// Reports what loaded, for the offline copy's check.
function korvaneReport() {
  var out = {};
  var h1 = document.querySelector("h1");
  out.importedSheet = getComputedStyle(h1).color;
  out.siteSheet = getComputedStyle(document.body).borderTopColor;
  out.styleElement = getComputedStyle(document.querySelector(".note")).borderTopColor;
  out.font = document.fonts.check("16px 'Sample Sans'") &&
      Array.from(document.fonts).some(function (f) { return f.status === "loaded"; });
  out.pictures = Array.from(document.images).map(function (img) {
    return img.currentSrc.split("/").pop() + " " + img.naturalWidth;
  });
  var frame = document.querySelector("iframe").contentDocument;
  out.frame = frame !== null && frame.querySelector("p") !== null;
  // Where each stylesheet, script, picture and frame was read from.
  var urls = Array.from(document.styleSheets).map(function (s) { return s.href; })
      .filter(function (h) { return h; });
  document.querySelectorAll("link[href]").forEach(function (l) { urls.push(l.href); });
  document.querySelectorAll("script[src], iframe[src]").forEach(function (e) { urls.push(e.src); });
  Array.from(document.images).forEach(function (img) { urls.push(img.currentSrc); });
  out.schemes = Array.from(new Set(urls.map(function (u) { return u.split(":")[0]; })));
  // Paths the page's own script builds from a list, as a search page or a sidebar does.
  out.built = ["intro", "setup"].map(function (name) {
    var request = new XMLHttpRequest();
    try {
      request.open("GET", "guide/" + name + ".htm", false);
      request.send();
      return request.responseText.indexOf("<h1>") >= 0;
    } catch (e) {
      return false;
    }
  });
  document.getElementById("report").textContent = JSON.stringify(out);
}
window.addEventListener("load", function () {
  document.fonts.ready.then(korvaneReport);
});
