// The save flow as the user meets it: the tool window's "save as   .wmf", the file it
// leaves in each format, the progress dialog and the messages.

#include "FormFixture.h"
#include "WmfReader.h"
#include "ui/SaveFlow.h"

#include <QMessageBox>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <cmath>
#include <memory>

using namespace fixture;

namespace {

// A figure of 5000 points, 200 sides entered without a stop: long enough work for the
// progress dialog to matter.
void draw_big_figure(const Tool& t)
{
    const MessageWatch messages;
    t.Text1->setText(QStringLiteral("25"));
    for (int side = 0; side < 200; ++side) {
        const float a = float(side) * 0.7f;
        release_on_canvas(300 * std::cos(a), 300 * std::sin(a));
        release_on_canvas(300 * std::cos(a + 2), 300 * std::sin(a + 2));
    }
    QCOMPARE(messages.stops(), 0);
    QVERIFY(t.mnuSaveas->isEnabled());
}

// The tool window in a fresh folder, its save dialog played by the user: each time it is
// asked, it notes what it was offered and answers with `answer` (empty name: cancel).
struct Saving {
    explicit Saving(int progress_delay_ms = 1000)
        : form({.uniform = [] { return 0.25; }, .ask_file_name = asker(), .progress_delay_ms = progress_delay_ms})
    {
    }

    SaveFlow::FileNameAsker asker()
    {
        return [this](QWidget*, const QString& filters, const FileChoice& previous) {
            offered_filters = filters;
            offered = previous;
            return answer;
        };
    }

    // Chooses `name` in the folder, under the first filter unless told, and saves.
    QString save_as(const QString& name, std::size_t filter = 0)
    {
        answer = {dir.filePath(name), filter};
        t.mnuSaveas->trigger();
        return answer.name;
    }

    FileChoice answer;
    QString offered_filters;
    FileChoice offered;
    QTemporaryDir dir;
    Form1 form;
    const Tool t{form};
};

quint32 le32(const QByteArray& b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 | quint32(quint8(b[at + 3])) << 24;
}

// Presses Cancel on the progress dialog as soon as one shows, for as long as it lives.
std::unique_ptr<QTimer> cancel_progress_when_shown(bool& seen)
{
    auto timer = std::make_unique<QTimer>();
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, t, [t, &seen] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
                seen = true;
                dialog->cancel();
                t->stop();
            }
        }
    });
    t->start(1);
    return timer;
}

// The message boxes the program shows, of one kind when `name` is given.
QList<QMessageBox*> shown_messages(const QString& name = {})
{
    QList<QMessageBox*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        for (auto* box : w->findChildren<QMessageBox*>())
            if (box->isVisible() && (name.isEmpty() || box->objectName() == name))
                shown << box;
    return shown;
}

// The text of the message box the program shows, if any.
QString shown_message()
{
    const QList<QMessageBox*> shown = shown_messages();
    return shown.isEmpty() ? QString() : shown.front()->text();
}

const QString kSaveFailed = QStringLiteral("saveFailedMessage");

} // namespace

class SaveFlowTest : public QObject {
    Q_OBJECT

private slots:
    void saves_the_figure_and_cancel_writes_nothing()
    {
        Saving s;
        draw_two_sides();
        QVERIFY(s.t.mnuSaveas->isEnabled());
        const QString path = s.save_as(QStringLiteral("fans.wmf"), 2); // the suffix chooses the format
        QVERIFY(shown_messages().isEmpty());
        QCOMPARE(s.offered_filters, QStringLiteral("meta files (*.wmf);;SVG drawing (*.svg);;PDF document "
                                                   "(*.pdf);;PNG image (*.png);;all files (*.*)"));
        QCOMPARE(s.offered.name, QString()); // nothing chosen before
        QCOMPARE(s.offered.filter, 0u);
        const QByteArray saved = read_file(path);
        QVERIFY(saved.size() > 22 + 18);
        QCOMPARE(saved.left(6), QByteArray::fromHex("d7cdc69a0000"));
        QCOMPARE(saved.mid(22, 6), QByteArray::fromHex("010009000003"));
        QCOMPARE(le32(saved, 22 + 6) * 2, quint32(saved.size() - 22));
        QCOMPARE(saved.size(), kTwoSidesFileSize);

        // Cancelling the dialog keeps the earlier file exactly as it was.
        release_on_canvas(5, 5);
        release_on_canvas(50, 50);
        s.answer = {};
        s.t.mnuSaveas->trigger();
        QCOMPARE(read_file(path), saved);
        QCOMPARE(s.offered.name, path); // the name and type chosen last
        QCOMPARE(s.offered.filter, 2u);
        // And they stay after a cancel.
        s.t.mnuSaveas->trigger();
        QCOMPARE(s.offered.name, path);
        QCOMPARE(s.offered.filter, 2u);
    }

    // One save per format: a known suffix in any case, else the filter, chooses it.
    void each_format_is_saved_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("bare, SVG") << "fan" << 1 << "fan.svg" << QByteArray("<?xml");
        QTest::newRow("suffix over filter") << "fan.PDF" << 3 << "fan.PDF" << QByteArray("%PDF-");
        QTest::newRow("other suffix, PNG") << "v1.2" << 3 << "v1.2" << QByteArray("\x89PNG");
        QTest::newRow("other suffix, all files") << "v1.2" << 4 << "v1.2" << QByteArray::fromHex("d7cdc69a");
    }

    void each_format_is_saved()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, written);
        QFETCH(QByteArray, starts);
        Saving s;
        draw_two_sides();
        s.save_as(typed, std::size_t(filter));
        QVERIFY(shown_messages().isEmpty());
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList{written});
        QVERIFY(read_file(s.dir.filePath(written)).startsWith(starts));
    }

    // A file nobody may write and a target that is no file are refused, and stay as they were.
    void refused_targets_are_left_as_they_were_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<QString>("because");
        QTest::newRow("read-only file") << false << " is read-only: not saved";
        QTest::newRow("named pipe") << true << " is a named pipe, not a file: not saved";
    }

    void refused_targets_are_left_as_they_were()
    {
        QFETCH(bool, pipe);
        QFETCH(QString, because);
        Saving s;
        draw_two_sides();
        const QString path = s.dir.filePath(QStringLiteral("kept.svg"));
        const QByteArray name = QFile::encodeName(path);
        if (!pipe)
            write_file(path, "earlier");
        QVERIFY(pipe ? ::mkfifo(name, 0644) == 0 : ::chmod(name, 0444) == 0);
        s.save_as(QStringLiteral("kept.svg"));
        QCOMPARE(shown_messages(kSaveFailed).size(), 1);
        QCOMPARE(shown_message(), path + because);
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files | QDir::System), QStringList{QStringLiteral("kept.svg")});
        QCOMPARE(QFileInfo(path).isFile(), !pipe);
        const QFile::Permissions bits = QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QVERIFY(pipe || (read_file(path) == "earlier" && bits == (QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther)));
    }

    void failures_are_reported_and_leave_no_file()
    {
        Saving s;
        draw_two_sides();
        MessageWatch messages;
        const QString missing = s.save_as(QStringLiteral("no/such/folder/x.wmf"));
        QCOMPARE(shown_messages(kSaveFailed).size(), 1);
        QCOMPARE(shown_message(), QStringLiteral("The file was not saved.\n%1: the folder does not exist.\n"
                                                 "Nothing was left under that name.").arg(missing));
        QVERIFY(!QFile::exists(missing));

        // A copies box without a number stops the save even with the kaleidoscope off,
        // and the file that was there survives.
        const QString path = s.dir.filePath(QStringLiteral("keep.wmf"));
        write_file(path, "precious");
        s.t.Text3->setText(QStringLiteral("many"));
        s.save_as(QStringLiteral("keep.wmf"));
        QCOMPARE(messages.stops_at(Limit::BadCopies), 1);
        QVERIFY(shown_message().contains(QStringLiteral("not saved")));
        QCOMPARE(read_file(path), QByteArray("precious"));
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.wmf")});
    }

    void copies_are_saved_once_the_kaleidoscope_was_drawn()
    {
        Saving s;
        draw_two_sides();
        s.t.Text3->setText(QStringLiteral("5"));
        s.t.Command3->click();
        const QString path = s.save_as(QStringLiteral("rosette.wmf"));
        const qint64 five = read_file(path).size();
        // The copies box is read again at saving time.
        s.t.Text3->setText(QStringLiteral("2"));
        s.t.mnuSaveas->trigger();
        const qint64 two = read_file(path).size();
        const qint64 per_copy = 2 * (16 + 20 * 10);
        QCOMPARE(five - two, 3 * per_copy);
        // After "clear canvas" only the figure itself is saved again.
        s.t.Command1->click();
        QVERIFY(!s.t.mnuSaveas->isEnabled());
        draw_two_sides();
        s.t.mnuSaveas->trigger();
        QCOMPARE(read_file(path).size(), two - 1 * per_copy);
    }

    // A side released far outside the canvas reaches beyond what a metafile can hold. The
    // save goes through with those strings cut or left out, and says so once, without
    // holding up the user. Fan 1 runs from (-200, 0)..(0, 200) to (0, 200)..(30000, 0): its
    // last 9 strings end beyond x = 16383 (30000 * 11 / 19 = 17368) and are cut. Fan 2 runs
    // on to (30000, 20000): its first 11 strings cross the edge, its last 9 lie beyond it.
    void strings_beyond_the_range_are_cut_and_reported()
    {
        Saving s;
        release_on_canvas(-200, 0);
        release_on_canvas(0, 200);
        release_on_canvas(0, 200);
        release_on_canvas(30000, 0);
        release_on_canvas(30000, 0);
        release_on_canvas(30000, 20000);
        MessageWatch messages;
        const QString path = s.save_as(QStringLiteral("far.wmf"));
        QCOMPARE(messages.stops(), 0);
        QCOMPARE(shown_messages().size(), 1);
        QCOMPARE(shown_messages(QStringLiteral("stringsClippedMessage")).size(), 1);
        const QString message = shown_message();
        QVERIFY2(message.contains(QStringLiteral("29 of its strings"))
                     && message.contains(QStringLiteral("20 cut")) && message.contains(QStringLiteral("9 left out")),
                 qPrintable(message));
        QVERIFY(!QApplication::activeModalWidget());

        const QByteArray saved = read_file(path);
        const wmf::File file = wmf::parsed(std::vector<char>(saved.begin(), saved.end()));
        QCOMPARE(file.count(wmf::kLineTo), 20 + 11);
        // The highest cut end: string 6 of fan 2, from (9473.68, 136.84) to (30000, 6315.79),
        // leaves at x = 16383.5 a third of the way along (0.33663), at y = 2216.9.
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{-200, -2217, 16383, 0}));
    }

    void long_work_shows_progress_and_can_be_cancelled()
    {
        Saving s(30); // some copies are drawn before the dialog can be cancelled
        draw_big_figure(s.t);

        // Kaleidoscope: what was drawn before the cancel stays on the canvas.
        const QImage before = shown_canvas();
        s.t.Text3->setText(QStringLiteral("3000"));
        bool seen = false;
        auto watcher = cancel_progress_when_shown(seen);
        s.t.Command3->click();
        QVERIFY(seen);
        QVERIFY(shown_canvas() != before);
        QVERIFY(!QApplication::overrideCursor());

        // Export: cancelling leaves no new file, and an earlier file untouched.
        const QString path = s.dir.filePath(QStringLiteral("big.wmf"));
        write_file(path, "earlier");
        seen = false;
        watcher = cancel_progress_when_shown(seen);
        s.save_as(QStringLiteral("big.wmf"));
        QVERIFY(seen);
        QCOMPARE(read_file(path), QByteArray("earlier"));
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("big.wmf")});
    }

    void closing_the_window_stops_an_export_without_a_file()
    {
        Saving s(30);
        draw_big_figure(s.t);
        s.t.Command3->click(); // copies 5 is quick
        s.t.Text3->setText(QStringLiteral("3000"));
        // A logout closes windows even past a modal dialog; the export must not go on.
        QTimer exit_soon;
        exit_soon.setSingleShot(true);
        connect(&exit_soon, &QTimer::timeout, s.t.mnuExit, &QAction::trigger);
        exit_soon.start(60);
        const QString path = s.save_as(QStringLiteral("late.wmf"));
        QVERIFY(!s.form.isVisible());
        QVERIFY(!QFile::exists(path));
        QVERIFY(s.form.findChildren<QMessageBox*>(kSaveFailed).isEmpty());
    }

    void short_work_shows_no_dialog()
    {
        Saving s;
        draw_two_sides();
        bool seen = false;
        const auto watcher = cancel_progress_when_shown(seen);
        s.t.Command3->click(); // well under the default second
        QTest::qWait(20);
        QVERIFY(!seen);
    }
};

QTEST_MAIN(SaveFlowTest)
#include "tst_saveflow.moc"
