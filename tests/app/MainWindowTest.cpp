#include "app/Application.h"
#include "ui/MainWindow.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "orvane_app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(MainWindow, OpensTitledOrvane) {
    qtApp();
    orvane::Application app;
    app.show();
    EXPECT_TRUE(app.mainWindow().isVisible());
    EXPECT_EQ(app.mainWindow().windowTitle().toStdString(), "Orvane");
}

} // namespace
