#include "ui/window/ConfirmDialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace orvane {

std::unique_ptr<QMessageBox> makeConfirmation(QWidget* parent, const QString& question,
                                              const QString& destructiveButton) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Orvane"));
    box->setText(question);
    QPushButton* destroy = box->addButton(destructiveButton, QMessageBox::DestructiveRole);
    destroy->setObjectName(QStringLiteral("destructive"));
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    return box;
}

QAbstractButton* destructiveButton(const QMessageBox& box) {
    return box.findChild<QPushButton*>(QStringLiteral("destructive"));
}

bool confirmDestructive(QWidget* parent, const QString& question,
                        const QString& destructiveButton) {
    const std::unique_ptr<QMessageBox> box = makeConfirmation(parent, question, destructiveButton);
    box->exec();
    return box->clickedButton() == orvane::destructiveButton(*box);
}

} // namespace orvane
