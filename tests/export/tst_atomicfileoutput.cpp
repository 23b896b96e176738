#include "FileBytes.h"

#include "core/Module1.h"
#include "export/AtomicFileOutput.h"
#include "export/MetafileExport.h"
#include "export/SaveCommand.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <string>

#include <cmath>
#include <climits>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool save(const QString& path, const QByteArray& bytes)
{
    AtomicFileOutput out(native(path));
    return out.open() && out.write(bytes.constData(), std::size_t(bytes.size())) && out.commit();
}

QStringList files_in(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

struct stat status_of(const QString& path)
{
    struct stat st {};
    ::lstat(native(path).c_str(), &st);
    return st;
}

// A ring of sides that makes a file of about a megabyte per ten copies.
const Module1& ring()
{
    static const Module1 figure = [] {
        Module1 m;
        for (int i = 0; i < 5000; ++i) {
            m.point_x[i] = float(1000 * std::cos(i * 0.01));
            m.point_y[i] = float(1000 * std::sin(i * 0.01));
        }
        m.point_count = 5000;
        m.subdivs = 20;
        return m;
    }();
    return figure;
}

} // namespace

class AtomicFileOutputTest : public QObject {
    Q_OBJECT

private slots:
    // A replaced file keeps its permission bits and, when root replaces it, its owner.
    void replacing_keeps_mode_and_owner_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("private") << 0600;
        QTest::newRow("shared") << 0644;
        QTest::newRow("executable") << 0751;
        QTest::newRow("writable by the owner alone") << 0200;
    }

    void replacing_keeps_mode_and_owner()
    {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fan.wmf"));
        write_file(path, "earlier");
        QCOMPARE(::chmod(native(path).c_str(), mode_t(mode)), 0);
        const bool root = ::geteuid() == 0;
        if (root)
            QCOMPARE(::chown(native(path).c_str(), kNobody, kNobody), 0);

        QVERIFY(save(path, "new"));
        QCOMPARE(read_file(path), QByteArray("new"));
        const struct stat st = status_of(path);
        QCOMPARE(int(st.st_mode & 07777), mode);
        if (root) {
            QCOMPARE(st.st_uid, kNobody);
            QCOMPARE(st.st_gid, gid_t(kNobody));
        }
        QCOMPARE(files_in(dir.path()), QStringList{QStringLiteral("fan.wmf")});
    }

    // A read-only file, and whatever is not a regular file, is refused before anything is
    // written, for root too; what was there stays as it was, and nothing is left beside it.
    void refused_before_writing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("read-only file") << "0444" << "%1 is read-only: not saved";
        QTest::newRow("named pipe with a reader") << "pipe" << "%1 is a named pipe, not a file: not saved";
        QTest::newRow("link to a device") << "device" << "%1 is a character device, not a file: not saved";
    }

    void refused_before_writing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fan.wmf"));
        int reader = -1;
        if (kind == "0444") {
            write_file(path, "earlier");
            QCOMPARE(::chmod(native(path).c_str(), 0444), 0);
        } else if (kind == "pipe") {
            QCOMPARE(::mkfifo(native(path).c_str(), 0666), 0);
            reader = ::open(native(path).c_str(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        } else {
            QCOMPARE(::symlink("/dev/null", native(path).c_str()), 0);
        }
        const auto close_reader = qScopeGuard([reader] { if (reader >= 0) ::close(reader); });

        AtomicFileOutput out(native(path));
        const SaveResult result = save_metafile(out, [](Output& o) { return write_metafile(ring(), 1, o); });
        QCOMPARE(result.failed_at, SaveResult::Stage::Open);
        QCOMPARE(result.earlier, Output::Earlier::Unchanged);
        QCOMPARE(QString::fromStdString(save_failure_message(result, native(path))), message.arg(path));
        QCOMPARE(files_in(dir.path()), QStringList{QStringLiteral("fan.wmf")});
        if (kind == "0444") {
            QCOMPARE(read_file(path), QByteArray("earlier"));
            QCOMPARE(int(status_of(path).st_mode & 07777), 0444);
        } else if (kind == "pipe") {
            char byte;
            QCOMPARE(::read(reader, &byte, 1), ssize_t(0)); // no writer ever came
            QVERIFY(S_ISFIFO(status_of(path).st_mode));
        }
    }

    // Names up to the folder's limit save and replace; the temporary name, eight characters
    // longer as a rule, gets shorter near the limit.
    void long_names_data()
    {
        QTest::addColumn<int>("below_limit"); // characters short of the limit
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<bool>("saved");
        QTest::newRow("8 short, replaced") << 8 << true << true; // the usual temporary name just fits
        QTest::newRow("7 short, replaced") << 7 << true << true;
        QTest::newRow("at the limit, new") << 0 << false << true;
        QTest::newRow("at the limit, replaced") << 0 << true << true;
        QTest::newRow("one past the limit") << -1 << false << false;
    }

    void long_names()
    {
        QFETCH(int, below_limit);
        QFETCH(bool, earlier);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        const long limit = ::pathconf(native(dir.path()).c_str(), _PC_NAME_MAX);
        QVERIFY(limit > 20);
        const QString name = QString(int(limit) - below_limit - 4, QLatin1Char('n')) + QStringLiteral(".wmf");
        const QString path = dir.filePath(name);
        if (earlier)
            write_file(path, "earlier");

        AtomicFileOutput out(native(path));
        QCOMPARE(out.open() && out.write("new", 3) && out.commit(), saved);
        if (saved) {
            QCOMPARE(read_file(path), QByteArray("new"));
            QCOMPARE(files_in(dir.path()), QStringList{name});
        } else {
            QCOMPARE(out.error(), std::make_error_code(std::errc::filename_too_long));
            QVERIFY(files_in(dir.path()).isEmpty());
        }
    }

    // Saving over a symbolic link writes the file it leads to, and the links stay.
    void links_are_followed_data()
    {
        QTest::addColumn<QString>("link_to"); // what "link.wmf" points at; "$" is the folder
        QTest::addColumn<bool>("target_exists");
        QTest::newRow("relative") << "real.wmf" << true;
        QTest::newRow("absolute") << "$/real.wmf" << true;
        QTest::newRow("to a link") << "second-link.wmf" << true;
        QTest::newRow("to a sub-folder") << "sub/real.wmf" << true;
        QTest::newRow("dangling") << "real.wmf" << false;
    }

    void links_are_followed()
    {
        QFETCH(QString, link_to);
        QFETCH(bool, target_exists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        link_to.replace(QLatin1Char('$'), dir.path());
        const QString real = link_to.contains(QStringLiteral("sub/")) ? dir.filePath(QStringLiteral("sub/real.wmf"))
                                                                     : dir.filePath(QStringLiteral("real.wmf"));
        if (target_exists)
            write_file(real, "earlier");
        QCOMPARE(::symlink("real.wmf", native(dir.filePath(QStringLiteral("second-link.wmf"))).c_str()), 0);
        const QString link = dir.filePath(QStringLiteral("link.wmf"));
        QCOMPARE(::symlink(native(link_to).c_str(), native(link).c_str()), 0);

        QVERIFY(save(link, "new"));
        QCOMPARE(read_file(real), QByteArray("new"));
        QVERIFY(S_ISLNK(status_of(link).st_mode));
        QVERIFY(S_ISLNK(status_of(dir.filePath(QStringLiteral("second-link.wmf"))).st_mode));
        QVERIFY(S_ISREG(status_of(real).st_mode));
    }

    // A folder that takes no new file, with a file in it that can be written: the file is
    // written in place. Root ignores folder permissions, so then a child process does it as
    // an unprivileged user.
    void a_writable_file_in_a_closed_folder_is_written_in_place()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("closed"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("closed")));
        const QString path = folder + QStringLiteral("/fan.wmf");
        write_file(path, "the earlier, longer contents");
        const bool root = ::geteuid() == 0;
        if (root) {
            QCOMPARE(::chown(native(path).c_str(), kNobody, kNobody), 0);
            QCOMPARE(::chmod(native(dir.path()).c_str(), 0755), 0); // QTemporaryDir makes it 0700
        }
        QCOMPARE(::chmod(native(folder).c_str(), 0555), 0);
        const std::string file = native(path);

        const auto write_in_place = [&file]() -> int {
            {
                // Stopped early: the held-back bytes never reach the earlier file.
                AtomicFileOutput out(file);
                if (!out.open() || !out.write("gone", 4))
                    return 10;
                out.cancel();
                if (out.earlier() != Output::Earlier::Unchanged)
                    return 11;
                std::ifstream in(file);
                if (std::string(std::istreambuf_iterator<char>(in), {}) != "the earlier, longer contents")
                    return 12;
            }
            {
                // Past what is held back, the earlier file is being overwritten.
                AtomicFileOutput out(file);
                const std::string big(AtomicFileOutput::kHoldBack + 1, 'x');
                if (!out.open() || !out.write(big.data(), big.size()) || out.earlier() != Output::Earlier::Damaged)
                    return 13;
                out.cancel();
            }
            AtomicFileOutput out(file);
            if (!out.open() || !out.write("new", 3) || out.earlier() != Output::Earlier::Unchanged)
                return 14;
            return out.commit() ? 0 : 15;
        };
        int status = 0;
        if (root) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
                    || ::setresuid(kNobody, kNobody, kNobody) != 0)
                    ::_exit(99);
                // Some sandboxes keep every folder above ours closed to other users.
                if (::access(file.c_str(), W_OK) != 0)
                    ::_exit(98);
                ::_exit(write_in_place());
            }
            int wait_status = 0;
            QCOMPARE(::waitpid(child, &wait_status, 0), child);
            QVERIFY(WIFEXITED(wait_status));
            status = WEXITSTATUS(wait_status);
            if (status == 99)
                QSKIP("cannot become an unprivileged user here");
            if (status == 98) {
                ::chmod(native(folder).c_str(), 0755);
                QSKIP("an unprivileged user cannot reach the temporary folder here");
            }
        } else {
            status = write_in_place();
        }
        ::chmod(native(folder).c_str(), 0755);
        QCOMPARE(status, 0);
        QCOMPARE(read_file(path), QByteArray("new")); // the earlier tail is cut off
        QCOMPARE(files_in(folder), QStringList{QStringLiteral("fan.wmf")});
    }

    // A real filesystem that fills up: the save stops at the first short write with the
    // system's reason, the partial file goes, and the earlier file is as it was.
    void a_full_disk_keeps_the_earlier_file()
    {
        QTemporaryDir dir;
        const std::string mount_point = native(dir.path());
        if (::mount("tressik-test", mount_point.c_str(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("cannot mount a small filesystem here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount(mount_point.c_str()); });
        const QString path = dir.filePath(QStringLiteral("fan.wmf"));
        write_file(path, "earlier");

        AtomicFileOutput out(native(path));
        constexpr int kCopies = 30; // 3 MB, far more than the disk holds
        const SaveResult result = save_metafile(out, [](Output& o) { return write_metafile(ring(), kCopies, o); });
        QCOMPARE(result.failed_at, SaveResult::Stage::Write);
        QCOMPARE(result.error, std::make_error_code(std::errc::no_space_on_device));
        QCOMPARE(result.earlier, Output::Earlier::Unchanged);
        QVERIFY(result.exported.strings < 4980LL * kCopies / 2); // stopped well before the end
        QCOMPARE(read_file(path), QByteArray("earlier"));
        QCOMPARE(files_in(dir.path()), QStringList{QStringLiteral("fan.wmf")});
        QCOMPARE(QString::fromStdString(save_failure_message(result, "/media/fan.wmf")),
                 QStringLiteral("The file was not saved.\n/media/fan.wmf: the disk is full.\n"
                                "The earlier file of that name is unchanged."));
    }
};

QTEST_GUILESS_MAIN(AtomicFileOutputTest)
#include "tst_atomicfileoutput.moc"
