// The box a page's alert(), confirm() or prompt() shows: modal to the page's own window only,
// in the interface language, naming the host that asks, with a way to refuse more of them.
#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace lumora::qtview {

enum class ScriptDialogKind { kAlert, kConfirm, kPrompt };

struct ScriptDialogAnswer {
  bool accepted = false;
  QString text;              // what the user typed into a prompt
  bool refuse_more = false;  // the user wants no more boxes from this page
};

// Runs the box over `window` until the user answers it (or the program's end closes it, which
// answers "no"). `language` is the interface language, 1 to 3.
ScriptDialogAnswer RunScriptDialog(QWidget* window, ScriptDialogKind kind, const QUrl& asker,
                                   const QString& message, const QString& default_text,
                                   int language);

}  // namespace lumora::qtview
