#include "ui/settings/SettingsTab.h"

#include "ui/settings/SettingsControls.h"

#include <QVBoxLayout>

namespace orvane {

SettingsTab::SettingsTab(PlayerController& player, QWidget* parent)
    : QWidget(parent), player_(player), page_(new SettingsPage) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
}

} // namespace orvane
