// hls.js on the HLS playlist (fragmented MP4 segments).
const PLAYER = 'hls';
if (Hls.isSupported()) {
  const hls = new Hls();
  hls.on(Hls.Events.ERROR, (event, data) => report('error', 'details=' + data.details));
  hls.loadSource('../media/hls/stream.m3u8');
  hls.attachMedia(video);
} else {
  report('error', 'details=unsupported');
}
