// dash.js on the DASH manifest.
const PLAYER = 'dash';
const player = dashjs.MediaPlayer().create();
player.on(dashjs.MediaPlayer.events.ERROR,
          (event) => report('error', 'details=' + encodeURIComponent(JSON.stringify(event.error))));
player.initialize(video, '../media/dash/stream.mpd', true);
