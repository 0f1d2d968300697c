#include "updater/program/texts.h"

#include <array>

namespace lumora::update {
namespace {

struct Row {
  Text text;
  std::array<std::string_view, 3> words;  // Simplified, Traditional, English
};

// clang-format off
constexpr Row kTexts[] = {
  {Text::kTitle,       {"升级程序", "升級程式", "Update"}},
  {Text::kCancel,      {"取消", "取消", "Cancel"}},
  {Text::kClose,       {"关闭", "關閉", "Close"}},
  {Text::kChecking,    {"正在检查新版本…", "正在檢查新版本…", "Checking for a new version…"}},
  {Text::kDownloading, {"正在下载新版本 %1…", "正在下載新版本 %1…", "Downloading version %1…"}},
  {Text::kInstalling,  {"正在安装新版本…", "正在安裝新版本…", "Installing the new version…"}},
  {Text::kStarting,    {"正在启动新版本…", "正在啟動新版本…", "Starting the new version…"}},
  {Text::kProgress,    {"%1 / %2，%3/秒，剩余 %4", "%1 / %2，%3/秒，剩餘 %4", "%1 of %2, %3/s, %4 left"}},
  {Text::kCancelling,  {"正在取消…", "正在取消…", "Cancelling…"}},
  {Text::kInstalled,   {"已更新到版本 %1。", "已更新到版本 %1。", "Updated to version %1."}},
  {Text::kLatest,      {"这已是最新版本。", "這已是最新版本。", "This is the latest version."}},
  {Text::kRolledBack,  {"新版本未能启动，已恢复原来的版本。",
                        "新版本未能啟動，已恢復原來的版本。",
                        "The new version did not start, so the previous version was put back."}},
  {Text::kInstallFailed, {"新版本无法安装，程序没有改变。",
                          "新版本無法安裝，程式沒有改變。",
                          "The new version could not be installed; nothing was changed."}},
  {Text::kPackageManager, {"此程序由系统的软件包管理器管理，请通过软件包管理器更新。",
                           "此程式由系統的套件管理程式管理，請透過套件管理程式更新。",
                           "This copy is managed by your system's package manager; please update it through the package manager."}},
  {Text::kBusy,        {"另一个更新正在进行。", "另一個更新正在進行。", "Another update is already running."}},
  {Text::kRecoverFailed, {"上次未完成的更新无法修复，程序没有再改变。",
                          "上次未完成的更新無法修復，程式沒有再改變。",
                          "An unfinished earlier update could not be mended; nothing more was changed."}},
  {Text::kNoKey,       {"此版本没有可用的更新密钥，程序没有改变。",
                        "此版本沒有可用的更新金鑰，程式沒有改變。",
                        "This build has no usable update key; nothing was changed."}},
  {Text::kNoService,   {"无法连接更新服务，程序没有改变。",
                        "無法連線更新服務，程式沒有改變。",
                        "The update service could not be reached; nothing was changed."}},
  {Text::kBadSignature, {"新版本的签名无效，没有下载任何内容，程序没有改变。",
                         "新版本的簽章無效，沒有下載任何內容，程式沒有改變。",
                         "The release's signature is not valid, so nothing was downloaded or changed."}},
  {Text::kBadManifest, {"新版本的说明无法使用，程序没有改变。",
                        "新版本的說明無法使用，程式沒有改變。",
                        "The release description cannot be used; nothing was changed."}},
  {Text::kSizeMismatch, {"下载的文件大小与新版本的说明不符，已删除，程序没有改变。",
                         "下載的檔案大小與新版本的說明不符，已刪除，程式沒有改變。",
                         "The download was not the size the release states and was deleted; nothing was changed."}},
  {Text::kHashMismatch, {"下载的文件校验值与新版本不符，已删除，程序没有改变。",
                         "下載的檔案校驗值與新版本不符，已刪除，程式沒有改變。",
                         "The download's checksum does not match the release, so it was deleted; nothing was changed."}},
  {Text::kConnectionLost, {"下载多次中断，已放弃，程序没有改变。",
                           "下載多次中斷，已放棄，程式沒有改變。",
                           "The download was interrupted too often and was given up; nothing was changed."}},
  {Text::kDiskFull,    {"磁盘空间不足，无法更新，程序没有改变。",
                        "磁碟空間不足，無法更新，程式沒有改變。",
                        "There is not enough disk space for the update; nothing was changed."}},
  {Text::kDownloadFailed, {"新版本无法下载，程序没有改变。",
                           "新版本無法下載，程式沒有改變。",
                           "The new version could not be downloaded; nothing was changed."}},
  {Text::kCancelled,   {"更新已取消，程序没有改变。", "更新已取消，程式沒有改變。",
                        "The update was cancelled; nothing was changed."}},
};
// clang-format on

}  // namespace

std::string_view TextFor(Text text, int language) {
  const int column = language >= 1 && language <= 3 ? language - 1 : 0;
  for (const Row& row : kTexts) {
    if (row.text == text) return row.words[static_cast<std::size_t>(column)];
  }
  return {};
}

std::string Fill(std::string_view text, std::string_view a1, std::string_view a2,
                 std::string_view a3, std::string_view a4) {
  const std::string_view values[] = {a1, a2, a3, a4};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '4') {
      out += values[text[i + 1] - '1'];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace lumora::update
