#include "album/ModernAssets.h"

namespace korvo {

namespace {

    // Colours chosen for at least 4.5:1 contrast of text and links on both grounds.
    constexpr std::string_view StyleSheet = R"(:root {
  color-scheme: light dark;
  --ground: #f7f7f5;
  --text: #1d1d1b;
  --muted: #55554f;
  --link: #0b57b0;
  --card: #ffffff;
  --line: #d4d4cf;
  --focus: #c2410c;
  --thumb: 128px;
}
@media (prefers-color-scheme: dark) {
  :root {
    --ground: #17181a;
    --text: #ececea;
    --muted: #b4b4ae;
    --link: #8ab8ff;
    --card: #232427;
    --line: #3d3e42;
    --focus: #fdba74;
  }
}
*, *::before, *::after { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body {
  margin: 0;
  background: var(--ground);
  color: var(--text);
  font: 1rem/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", sans-serif;
  overflow-wrap: anywhere;
}
a { color: var(--link); }
a:focus-visible { outline: 3px solid var(--focus); outline-offset: 2px; border-radius: 4px; }
img { max-width: 100%; height: auto; }
header, main { margin: 0 auto; padding: 0 clamp(0.5rem, 2vw, 2rem); max-width: 120rem; }
h1 { font-size: clamp(1.4rem, 1rem + 2vw, 2.2rem); margin: 1rem 0; }
h2 { font-size: 1.25rem; margin: 1.5rem 0 0.75rem; border-bottom: 1px solid var(--line); }
.grid {
  list-style: none;
  margin: 0 0 2rem;
  padding: 0;
  display: grid;
  grid-template-columns: repeat(auto-fill, minmax(min(100%, calc(var(--thumb) + 1rem)), 1fr));
  gap: 1rem;
}
.grid li { display: flex; flex-direction: column; align-items: center; text-align: center; }
.grid a { display: block; padding: 0.25rem; border-radius: 6px; line-height: 0; }
.grid img { display: block; }
.grid .caption { color: var(--muted); font-size: 0.9rem; margin-top: 0.25rem; }
.bar {
  display: flex;
  align-items: stretch;
  justify-content: space-between;
  gap: 0.5rem;
  padding: 0.5rem clamp(0.5rem, 2vw, 2rem);
}
.bar a, .bar span {
  display: flex;
  align-items: center;
  justify-content: center;
  min-height: 48px;
  min-width: 48px;
  padding: 0 1rem;
  border-radius: 8px;
  background: var(--card);
  border: 1px solid var(--line);
  text-decoration: none;
  font-weight: 600;
}
.bar span { color: var(--muted); font-weight: 400; }
.bar .up { flex: 1 1 auto; max-width: 16rem; }
.picture main, .details main { max-width: none; }
figure { margin: 0; display: flex; flex-direction: column; align-items: center; min-width: 0; }
/* The declared size is the picture's own; it only shrinks to fit the window, letterboxed. */
figure img {
  display: block;
  height: auto;
  max-width: 100%;
  max-height: calc(100vh - 10rem);
  max-height: calc(100svh - 10rem);
  object-fit: contain;
}
figcaption { text-align: center; }
figcaption h1 { font-size: 1.25rem; margin: 0.5rem 0; }
.more { text-align: center; margin: 0 0 1rem; }
.details main { display: grid; gap: 1rem 2rem; grid-template-columns: minmax(0, 1fr); align-items: start; }
@media (min-width: 60rem) {
  .details main { grid-template-columns: minmax(0, 1fr) minmax(16rem, 26rem); }
}
.exif { border-collapse: collapse; width: 100%; margin-bottom: 2rem; }
.exif caption { text-align: left; font-weight: 600; padding: 0.25rem 0.5rem; }
.exif th, .exif td { text-align: left; vertical-align: top; padding: 0.25rem 0.5rem; border-top: 1px solid var(--line); }
.exif th { font-weight: 600; white-space: nowrap; }
)";

    // Keys, swipes and the next picture in the browser's cache; every way it offers is also a
    // link on the page.
    constexpr std::string_view Script = R"((function () {
  "use strict";
  function go(selector) {
    var link = document.querySelector(selector);
    if (link && link.href) window.location.href = link.href;
  }
  document.addEventListener("keydown", function (event) {
    if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey || event.defaultPrevented) return;
    var target = event.target;
    if (target && (target.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName))) return;
    if (event.key === "ArrowLeft") go("a[rel=prev]");
    else if (event.key === "ArrowRight") go("a[rel=next]");
    else if (event.key === "Escape") go("a.up");
  });
  var startX = null, startY = 0;
  document.addEventListener("touchstart", function (event) {
    if (event.touches.length !== 1) { startX = null; return; }
    startX = event.touches[0].clientX;
    startY = event.touches[0].clientY;
  }, { passive: true });
  document.addEventListener("touchend", function (event) {
    if (startX === null || event.changedTouches.length !== 1) return;
    var dx = event.changedTouches[0].clientX - startX;
    var dy = event.changedTouches[0].clientY - startY;
    startX = null;
    if (Math.abs(dx) < 50 || Math.abs(dx) < 2 * Math.abs(dy)) return;
    go(dx > 0 ? "a[rel=prev]" : "a[rel=next]");
  }, { passive: true });
  var next = document.body.getAttribute("data-next-picture");
  if (next) {
    var picture = new Image();
    var twin = document.body.getAttribute("data-next-picture-2x");
    if (twin) picture.srcset = next + " 1x, " + twin + " 2x";
    picture.src = next;
  }
})();
)";

} // namespace

const std::vector<ModernAsset>& ModernAssets()
{
    static const std::vector<ModernAsset> assets { { ModernStyleSheetName, StyleSheet }, { ModernScriptName, Script } };
    return assets;
}

} // namespace korvo
