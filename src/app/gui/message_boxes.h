// The program's modal message boxes: caption "Rowmender v21.0", the
// information icon and an OK button, or a question with Yes and No.
#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>

#include "app/logic/user_interface.h"

namespace rowmender {

// A message box ready to run: the product caption, `text`, the icon and
// either OK alone or Yes and No (No the default, Escape answering No).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon, bool yesNo);

// Shows an information message and waits for OK.
void ShowInformation(QWidget* parent, const QString& text);
// Asks a Yes/No question; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, MessageIcon icon);

}  // namespace rowmender
