// Shared by the player test pages: what the tests wait for arrives as requests to the
// service's event log ("/event?name=..."), since the page cannot talk to the test otherwise.
function report(name, extra) {
  fetch('../event?name=' + name + (extra ? '&' + extra : ''), {cache: 'no-store'}).catch(() => {});
}
const video = document.getElementById('video');
video.addEventListener('playing', () => report('playing', 'player=' + PLAYER), {once: true});
function viewport() {
  report('viewport', 'size=' + innerWidth + 'x' + innerHeight +
         '&full=' + (document.fullscreenElement ? 1 : 0));
}
addEventListener('resize', viewport);
document.addEventListener('fullscreenchange', viewport);
viewport();
// What a player's own full-screen button does.
document.getElementById('full').addEventListener('click', () => {
  document.getElementById('stage').requestFullscreen().then(
      () => report('fullscreen', 'result=granted'),
      (error) => report('fullscreen', 'result=' + encodeURIComponent(error.name)));
});
