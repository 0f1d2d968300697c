// What a page reports about its media is the page's to make up: reports are bounded and
// checked field by field. The scripts run in the program's isolated world, where nothing a
// page defines reaches them.
#include "platform/qt/media_script.h"

#include <gtest/gtest.h>

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <cmath>

#include "view_test_support.h"

namespace lumora::qtview {
namespace {

TEST(MediaReport, ReadsAWellFormedReport) {
  const std::optional<MediaState> state = ParseMediaState(
      R"({"present":true,"status":"Paused","position":3.5,"duration":10,"seekable":true,)"
      R"("volume":0.25,"title":"A film","source":"http://127.0.0.1/a.webm"})");
  ASSERT_TRUE(state);
  EXPECT_TRUE(state->present);
  EXPECT_EQ(state->status, PlaybackStatus::Paused);
  EXPECT_EQ(state->position_us, 3'500'000);
  EXPECT_EQ(state->length_us, 10'000'000);
  EXPECT_TRUE(state->can_seek);
  EXPECT_DOUBLE_EQ(state->volume, 0.25);
  EXPECT_EQ(state->title, "A film");
  EXPECT_EQ(state->source, "http://127.0.0.1/a.webm");
}

TEST(MediaReport, RefusesWhatIsNoReport) {
  for (const char* report :
       {"", "null", "[]", "\"Playing\"", "{", "{\"status\":\"Playing\"}", R"({"present":"yes"})",
        R"({"present":true,"status":"Rewinding"})", R"({"present":true})"}) {
    EXPECT_FALSE(ParseMediaState(report)) << report;
  }
  // A report longer than the bound is dropped whole, however well formed.
  const QByteArray padded =
      R"({"present":false,"title":")" + QByteArray(kMediaReportLimit, 'a') + "\"}";
  EXPECT_FALSE(ParseMediaState(padded));
}

TEST(MediaReport, ClampsNumbersAndCleansText) {
  // A live stream (no duration) cannot seek whatever the page says; a position past the end
  // is the end; volume outside 0..1 is clamped; negative or absurd times are no times.
  std::optional<MediaState> state = ParseMediaState(
      R"({"present":true,"status":"Playing","position":-5,"duration":null,"seekable":true,)"
      R"("volume":7})");
  ASSERT_TRUE(state);
  EXPECT_FALSE(state->length_us);
  EXPECT_FALSE(state->can_seek);
  EXPECT_EQ(state->position_us, 0);
  EXPECT_DOUBLE_EQ(state->volume, 1.0);

  state = ParseMediaState(
      R"({"present":true,"status":"Playing","position":99,"duration":10,"volume":-1,)"
      R"("title":"a\u0000b\u001b[31mc\nd"})");
  ASSERT_TRUE(state);
  EXPECT_EQ(state->position_us, 10'000'000);
  EXPECT_DOUBLE_EQ(state->volume, 0.0);
  EXPECT_EQ(state->title, "ab[31mcd");

  state = ParseMediaState(R"({"present":true,"status":"Stopped","duration":1e300,)"
                          R"("position":1e300,"title":")" +
                          QByteArray(2000, 'x') + "\"}");
  ASSERT_TRUE(state);
  ASSERT_TRUE(state->length_us);
  EXPECT_LE(*state->length_us, std::int64_t{10} * 366 * 24 * 3600 * 1'000'000);
  EXPECT_GE(*state->length_us, 0);
  EXPECT_EQ(state->title.size(), kMediaTitleLimit);
}

TEST(MediaReport, CommandScriptsCarryOnlyAFiniteNumber) {
  const QString nan = MediaCommandScript(MediaCommand::SeekTo, std::nan(""));
  EXPECT_FALSE(nan.contains(QLatin1String("nan"), Qt::CaseInsensitive));
  EXPECT_FALSE(MediaCommandScript(MediaCommand::SeekBy, INFINITY)
                   .contains(QLatin1String("inf"), Qt::CaseInsensitive));
}

QVariant RunScript(QWebEnginePage& page, const QString& script, quint32 world) {
  QVariant answer;
  bool done = false;
  page.runJavaScript(script, world, [&](const QVariant& result) {
    answer = result;
    done = true;
  });
  EXPECT_TRUE(viewtest::WaitFor([&] { return done; }));
  return answer;
}

std::optional<MediaState> StateOf(QWebEnginePage& page) {
  return ParseMediaState(
      RunScript(page, MediaStateScript(), QWebEngineScript::ApplicationWorld).toString().toUtf8());
}

TEST(MediaScripts, RunOutOfThePagesReach) {
  QWebEnginePage page;
  bool loaded = false;
  QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
  // The page tampers with everything the scripts use, in its own world: a lying JSON, a
  // state object of ours it made up, and a media element whose pause runs the page's code.
  page.setHtml(
      QStringLiteral(
          "<title>Hostile</title><video src='http://127.0.0.1:9/none.webm'></video><script>"
          "JSON.stringify = () => '{\"present\":true,\"status\":\"Playing\",\"title\":\"lie\"}';"
          "window.__lumoraMedia = {last: null, stopped: 'x'};"
          "HTMLMediaElement.prototype.pause = function () { document.title = 'hijacked'; };"
          "</script>"),
      QUrl(QStringLiteral("http://127.0.0.1:9/")));
  ASSERT_TRUE(viewtest::WaitFor([&] { return loaded; }));

  std::optional<MediaState> state = StateOf(page);
  ASSERT_TRUE(state);
  EXPECT_TRUE(state->present);
  EXPECT_EQ(state->status, PlaybackStatus::Paused);
  EXPECT_EQ(state->title, "Hostile");
  EXPECT_EQ(state->source, "http://127.0.0.1:9/none.webm");
  EXPECT_FALSE(state->length_us);

  // Stop says Stopped until the media plays again; the page's pause never ran.
  EXPECT_EQ(
      RunScript(page, MediaCommandScript(MediaCommand::Stop), QWebEngineScript::ApplicationWorld),
      QVariant(true));
  state = StateOf(page);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->status, PlaybackStatus::Stopped);
  EXPECT_EQ(page.title(), "Hostile");
  // And what the program keeps in its world is out of the page's sight.
  EXPECT_EQ(RunScript(page, QStringLiteral("String(window.__lumoraMedia.stopped)"),
                      QWebEngineScript::MainWorld),
            QVariant(QStringLiteral("x")));

  // A page without media has nothing to control.
  loaded = false;
  page.setHtml(QStringLiteral("<title>Empty</title>"), QUrl(QStringLiteral("http://127.0.0.1:9/")));
  ASSERT_TRUE(viewtest::WaitFor([&] { return loaded; }));
  state = StateOf(page);
  ASSERT_TRUE(state);
  EXPECT_FALSE(state->present);
  EXPECT_EQ(RunScript(page, MediaCommandScript(MediaCommand::PlayPause),
                      QWebEngineScript::ApplicationWorld),
            QVariant(false));
}

}  // namespace
}  // namespace lumora::qtview
