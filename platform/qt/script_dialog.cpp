#include "platform/qt/script_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

namespace lumora::qtview {

namespace {

// A page's text is shown, never interpreted, and no longer than a reader would read.
constexpr int kMessageLimit = 2000;
constexpr int kPromptLimit = 2000;

struct Texts {
  const char* title;  // %1: the host that asks
  const char* local_page;
  const char* refuse;
  const char* ok;
  const char* cancel;
};

constexpr std::array<Texts, 3> kTexts = {{
    {"来自 %1 的网页消息", "本地网页", "禁止此网页再显示对话框", "确定", "取消"},
    {"來自 %1 的網頁訊息", "本機網頁", "禁止此網頁再顯示對話框", "確定", "取消"},
    {"Message from the page at %1", "a local page", "Don't let this page show more dialogs", "OK",
     "Cancel"},
}};

const Texts& TextsFor(int language) {
  return kTexts[language >= 1 && language <= 3 ? language - 1 : 0];
}

}  // namespace

ScriptDialogAnswer RunScriptDialog(QWidget* window, ScriptDialogKind kind, const QUrl& asker,
                                   const QString& message, const QString& default_text,
                                   int language) {
  const Texts& texts = TextsFor(language);
  QDialog dialog(window);
  dialog.setObjectName(QStringLiteral("ScriptDialog"));
  // Modal to the page's window only: the program's other windows go on answering the user.
  dialog.setWindowModality(Qt::WindowModal);
  const QString host = asker.host(QUrl::FullyDecoded);
  dialog.setWindowTitle(QString::fromUtf8(texts.title)
                            .arg(host.isEmpty() ? QString::fromUtf8(texts.local_page) : host));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = new QLabel(message.left(kMessageLimit), &dialog);
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setMaximumWidth(560);
  layout->addWidget(text);
  QLineEdit* input = nullptr;
  if (kind == ScriptDialogKind::kPrompt) {
    input = new QLineEdit(default_text.left(kPromptLimit), &dialog);
    input->setMaxLength(kPromptLimit);
    layout->addWidget(input);
  }
  auto* refuse = new QCheckBox(QString::fromUtf8(texts.refuse), &dialog);
  layout->addWidget(refuse);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QString::fromUtf8(texts.ok), QDialogButtonBox::AcceptRole);
  if (kind != ScriptDialogKind::kAlert) {
    buttons->addButton(QString::fromUtf8(texts.cancel), QDialogButtonBox::RejectRole);
  }
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  ScriptDialogAnswer answer;
  answer.accepted = dialog.exec() == QDialog::Accepted;
  answer.refuse_more = refuse->isChecked();
  if (input != nullptr && answer.accepted) answer.text = input->text();
  return answer;
}

}  // namespace lumora::qtview
