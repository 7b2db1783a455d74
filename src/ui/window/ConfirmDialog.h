#pragma once

#include <memory>

#include <QString>

class QMessageBox;
class QAbstractButton;
class QWidget;

namespace orvane {

// A question before something that cannot be taken back (closing or clearing a
// playlist): the question as title, a destructive button and "Cancel" (the default).
// GUI thread only.
std::unique_ptr<QMessageBox> makeConfirmation(QWidget* parent, const QString& question,
                                              const QString& destructiveButton);

// The destructive button of a box made by makeConfirmation().
QAbstractButton* destructiveButton(const QMessageBox& box);

// Shows the question modally; true when the destructive button was chosen.
bool confirmDestructive(QWidget* parent, const QString& question, const QString& destructiveButton);

} // namespace orvane
