#include "platform/system/shell_ops.h"

#include "support/gui_application.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace sp {
namespace {

namespace fs = std::filesystem;

// Takes the addresses the desktop would open, for the schemes it is installed for.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    explicit UrlRecorder(QStringList schemes) : schemes_(std::move(schemes)) {
        for (const auto& s : schemes_)
            QDesktopServices::setUrlHandler(s, this, "open");
    }
    ~UrlRecorder() override {
        for (const auto& s : schemes_)
            QDesktopServices::unsetUrlHandler(s);
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }

private:
    QStringList schemes_;
};

// A file manager on the session bus that records what it is asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

TEST(MailUrl, KeepsLineBreakEscapesAndEscapesWhatWouldBreakTheAddress) {
    EXPECT_EQ(MailUrl("support@stillpick.org", "Error of Stillpick 5.0.6 En",
                      "first%0D%0Asecond & third #4 100% \u00e9"),
              "mailto:support@stillpick.org?subject=Error%20of%20Stillpick%205.0.6%20En"
              "&body=first%0D%0Asecond%20%26%20third%20%234%20100%25%20%C3%A9");
}

TEST(ShellOps, OpenDocumentAndSendMailGoToTheDesktopHandlers) {
    UrlRecorder recorder({"https", "file", "mailto"});
    EXPECT_TRUE(OpenDocument("https://stillpick.org/help\u00A9"));
    EXPECT_TRUE(OpenDocument("/tmp/some file.txt"));
    EXPECT_TRUE(SendMail("a@b.org", "S", "x%0D%0Ay"));
    EXPECT_FALSE(OpenDocument("\u00A9"));
    ASSERT_EQ(recorder.urls.size(), 3);
    EXPECT_EQ(recorder.urls[0], QUrl("https://stillpick.org/help"));
    EXPECT_EQ(recorder.urls[1], QUrl::fromLocalFile("/tmp/some file.txt"));
    EXPECT_EQ(recorder.urls[2].toEncoded(), "mailto:a@b.org?subject=S&body=x%0D%0Ay");
}

TEST(ShellOps, ForceDeleteFileRemovesReadOnlyFilesAndLinksButNotFolders) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path file = root / "locked.jpg";
    std::ofstream(file) << "x";
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_TRUE(ForceDeleteFile(QString::fromStdString(file.string())));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(ForceDeleteFile(QString::fromStdString(file.string())));

    const fs::path target = root / "target.jpg";
    const fs::path link = root / "link.jpg";
    std::ofstream(target) << "x";
    fs::permissions(target, fs::perms::owner_read);
    fs::create_symlink(target, link);
    EXPECT_TRUE(ForceDeleteFile(QString::fromStdString(link.string())));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);

    fs::create_directory(root / "folder");
    EXPECT_FALSE(ForceDeleteFile(QString::fromStdString((root / "folder").string())));
    EXPECT_TRUE(fs::exists(root / "folder"));
}

// Runs a private session bus for this test program, so the file manager call is tested for
// real and no desktop of the machine is disturbed.
class FileBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // No service folders: nothing of the machine can be started on this bus.
        config_ = new QTemporaryDir;
        const QString configPath = config_->filePath("bus.conf");
        std::ofstream(configPath.toStdString())
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
               "<policy context=\"default\"><allow send_destination=\"*\"/>"
               "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
               "</policy></busconfig>\n";
        daemon_ = new QProcess;
        daemon_->start("dbus-daemon",
                       {"--config-file=" + configPath, "--nofork", "--print-address"});
        if (!daemon_->waitForStarted(3000) || !daemon_->waitForReadyRead(3000)) return;
        const QByteArray address = daemon_->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        busReady_ = QDBusConnection::sessionBus().isConnected();
    }
    static void TearDownTestSuite() {
        daemon_->kill();
        daemon_->waitForFinished(3000);
        delete daemon_;
        delete config_;
    }

    static inline QTemporaryDir* config_ = nullptr;
    static inline QProcess* daemon_ = nullptr;
    static inline bool busReady_ = false;
};

TEST_F(FileBrowser, AsksTheFileManagerToSelectTheFile) {
    if (!busReady_) GTEST_SKIP() << "no dbus-daemon to run a session bus";
    QTemporaryDir dir;
    const QString file = dir.filePath("shot 1.jpg");
    std::ofstream(file.toStdString()) << "x";
    FakeFileManager manager;
    QDBusConnection service = QDBusConnection::connectToBus(
        QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), "file-manager");
    ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    UrlRecorder folders({"file"});

    EXPECT_TRUE(ShowInFileBrowser(file));
    QElapsedTimer waited;
    waited.start();
    while (manager.shown.isEmpty() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(file).toString()});
    EXPECT_TRUE(folders.urls.isEmpty());
    service.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("file-manager");
}

TEST_F(FileBrowser, WithoutAFileManagerOpensTheFolder) {
    QTemporaryDir dir;
    const QString file = dir.filePath("shot.jpg");
    std::ofstream(file.toStdString()) << "x";
    UrlRecorder folders({"file"});
    EXPECT_TRUE(ShowInFileBrowser(file));
    EXPECT_TRUE(ShowInFileBrowser(dir.path()));
    ASSERT_EQ(folders.urls.size(), 2);
    EXPECT_EQ(folders.urls[0], QUrl::fromLocalFile(QDir(dir.path()).absolutePath()));
    EXPECT_EQ(folders.urls[1], folders.urls[0]);
    EXPECT_FALSE(ShowInFileBrowser(dir.filePath("missing.jpg")));
}

} // namespace
} // namespace sp

#include "shell_ops_test.moc"
