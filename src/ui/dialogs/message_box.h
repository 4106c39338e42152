// Message and input boxes that never run a nested event loop: each opens
// window-modal with open() and hands the user's answer to a callback once
// it closes. Every window asks its questions through these, so tests can
// find and answer any box the same way.
#pragma once

#include <QString>

#include <functional>

class QInputDialog;
class QMessageBox;
class QWidget;

namespace varnel::ui {

enum class TBoxKind { Information, Warning, Error, Confirmation };

// A box of `kind` with one OK button. `closed` runs after the user closed
// it (by OK, Escape or the close box).
QMessageBox* ShowMessageBox(QWidget* parent, TBoxKind kind, const QString& text,
                            std::function<void()> closed = {});

// A question of `kind` (Confirmation or Warning) with Yes and No buttons.
// `answered` gets true for Yes only: No, Escape and the close box give false.
QMessageBox* AskYesNo(QWidget* parent, TBoxKind kind, const QString& text,
                      std::function<void(bool yes)> answered);

// A text input box proposing `text`. `entered` runs only when the user
// pressed OK, with the text as it then stands; Cancel runs nothing.
QInputDialog* AskText(QWidget* parent, const QString& title, const QString& prompt,
                      const QString& text, std::function<void(const QString&)> entered);

}  // namespace varnel::ui
