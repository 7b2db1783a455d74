#include "app/Application.h"

#include "controller/PlayerController.h"
#include "model/Persistence.h"
#include "support/ScratchFolder.h"
#include "ui/MainWindow.h"
#include "ui/UiTestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The whole application against a private data folder: its state file is the only
// thing it writes.
class ApplicationTest : public QtAppTest {
protected:
    ApplicationTest() { qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.root().native())); }
    ~ApplicationTest() override { qunsetenv("XDG_DATA_HOME"); }
    ScratchFolder data;
};

TEST_F(ApplicationTest, QuittingWritesTheLastChangeToTheStateFile) {
    Application app;
    app.show();
    EXPECT_EQ(app.mainWindow().windowTitle(), QStringLiteral("Orvane"));
    app.player().setVolume(0.37); // saved 0.5 s later, unless quitting flushes it
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const PersistedState stored = Persistence(data / "Orvane/orvane-data.json").load();
    EXPECT_DOUBLE_EQ(stored.settings.volume, 0.37);
}

} // namespace
} // namespace orvane::test
