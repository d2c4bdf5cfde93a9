#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTest>

#include "Platform/fake/FakeUrlOpener.h"
#include "Platform/linux/FileManagerRevealer.h"

using namespace std::chrono_literals;

namespace {

const QString service = QStringLiteral("org.freedesktop.FileManager1");
const QString path = QStringLiteral("/org/freedesktop/FileManager1");

// A file manager on its own bus connection that records what it is asked to show, and answers
// at once or never.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit FakeFileManager(bool hangs)
        : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                    QStringLiteral("fake-file-manager"))),
          hangs_(hangs) {
        connection_.registerObject(path, this, QDBusConnection::ExportAllSlots);
        registered_ = connection_.registerService(service);
    }
    ~FakeFileManager() override {
        connection_.unregisterService(service);
        connection_.unregisterObject(path);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    }

    bool registered() const { return registered_; }
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&, const QDBusMessage& message) {
        shown += uris;
        if (hangs_)
            message.setDelayedReply(true);
    }

private:
    QDBusConnection connection_;
    bool hangs_;
    bool registered_ = false;
};

enum class Manager { answers, hangs, none };

TEST(FileManagerRevealerX11Test, ShowsTheFileOrOpensItsFolderWithoutWaiting) {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    const QString file = QStringLiteral("/tmp/Dokumente/2025 Plan.md");
    const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/tmp/Dokumente"));
    struct Case {
        Manager manager;
        QList<QUrl> opened;
    };
    for (const Case& c : {Case{Manager::answers, {}}, Case{Manager::hangs, {folder}},
                          Case{Manager::none, {folder}}}) {
        SCOPED_TRACE(int(c.manager));
        std::unique_ptr<FakeFileManager> manager;
        if (c.manager != Manager::none) {
            manager = std::make_unique<FakeFileManager>(c.manager == Manager::hangs);
            ASSERT_TRUE(manager->registered());
        }
        Platform::FakeUrlOpener opener;
        Platform::FileManagerRevealer revealer(opener, 300ms);
        QElapsedTimer timer;
        timer.start();
        revealer.reveal(file);
        EXPECT_LT(timer.elapsed(), 100);
        EXPECT_TRUE(opener.opened.isEmpty());

        QTest::qWait(1000);
        EXPECT_EQ(opener.opened, c.opened);
        if (manager) {
            EXPECT_EQ(manager->shown,
                      QStringList{QStringLiteral("file:///tmp/Dokumente/2025%20Plan.md")});
        }
    }
}

}  // namespace

#include "FileManagerRevealerX11Test.moc"
