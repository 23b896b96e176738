#include "FormFixture.h"
#include "ScriptedOutput.h"
#include "WmfReader.h"
#include "canvas/canvas.h"
#include "export/SaveCommand.h"
#include "ui/Form1.h"

#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <memory>

using fixture::draw_two_sides;

Q_DECLARE_METATYPE(Output::Earlier)

namespace {

// A figure of 5000 points: long enough work for the progress dialog to matter.
void draw_big_figure(Form1& form)
{
    form.Text1->setText(QStringLiteral("25"));
    for (int side = 0; side < 200; ++side) {
        const float a = float(side) * 0.7f;
        form.canvas_MouseUp(1, 0, 300 * std::cos(a), 300 * std::sin(a));
        form.canvas_MouseUp(1, 0, 300 * std::cos(a + 2), 300 * std::sin(a + 2));
    }
    QCOMPARE(form.state().point_count, 5000);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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

class SaveCommandTest : public QObject {
    Q_OBJECT

private slots:
    void saves_the_figure_and_cancel_writes_nothing()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        draw_two_sides(form);
        QVERIFY(form.mnuSaveas->isEnabled());
        const QString path = dir.filePath(QStringLiteral("fans.wmf"));
        QString offered_filter;
        form.set_file_name_asker([&](QWidget*, const QString& filter, const QString&) {
            offered_filter = filter;
            return path;
        });
        form.mnuSaveas->trigger();
        QVERIFY(shown_messages().isEmpty());
        QVERIFY(offered_filter.contains(QStringLiteral("*.wmf")));
        const QByteArray saved = read(path);
        QVERIFY(saved.size() > 22 + 18);
        QCOMPARE(saved.left(6), QByteArray::fromHex("d7cdc69a0000"));
        QCOMPARE(saved.mid(22, 6), QByteArray::fromHex("010009000003"));
        QCOMPARE(le32(saved, 22 + 6) * 2, quint32(saved.size() - 22));
        // The placeable header; the header, the mapping mode and window, red pen and its
        // selection, one pen change at the side start, 20 strings of a move and a line, the
        // last pen's deletion, the end record: all in 16-bit words.
        QCOMPARE(saved.size(), 22 + 2 * (9 + 4 + 5 + 5 + 8 + 4 + 16 + 20 * 10 + 4 + 3));

        // Cancelling the dialog keeps the earlier file exactly as it was.
        form.canvas_MouseUp(1, 0, 5, 5);
        form.canvas_MouseUp(1, 0, 50, 50);
        form.set_file_name_asker([](QWidget*, const QString&, const QString& previous) {
            Q_UNUSED(previous);
            return QString();
        });
        form.mnuSaveas->trigger();
        QCOMPARE(read(path), saved);
        QCOMPARE(form.meta_file_name(), path);
    }

    void failures_are_reported_and_leave_no_file()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        draw_two_sides(form);
        fixture::MessageWatch messages;
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.wmf"));
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return missing; });
        form.mnuSaveas->trigger();
        QCOMPARE(shown_messages(kSaveFailed).size(), 1);
        QCOMPARE(shown_message(), QStringLiteral("The file was not saved.\n%1: the folder does not exist.\n"
                                                 "Nothing was left under that name.").arg(missing));
        QVERIFY(!QFile::exists(missing));

        // A copies box without a number stops the save even with the kaleidoscope off,
        // and the file that was there survives.
        const QString path = dir.filePath(QStringLiteral("keep.wmf"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        form.Text3->setText(QStringLiteral("many"));
        form.mnuSaveas->trigger();
        QCOMPARE(messages.stops_at(Limit::BadCopies), 1);
        QVERIFY(shown_message().contains(QStringLiteral("not saved")));
        QCOMPARE(read(path), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.wmf")});
    }

    // Every stage of a save can fail; each failure says where the file stands, in words.
    void failures_at_every_stage_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("error");
        QTest::addColumn<Output::Earlier>("earlier");
        QTest::addColumn<QString>("words");
        using E = Output::Earlier;
        const QString unchanged = QStringLiteral("The earlier file of that name is unchanged.");
        const QString none = QStringLiteral("Nothing was left under that name.");
        const QString damaged = QStringLiteral("The earlier file of that name is damaged: its folder takes no new "
                                               "files, so it was being written in place.");
        QTest::newRow("create, no permission") << "open" << EACCES << E::Unchanged
                                               << "no permission to write there.\n" + unchanged;
        QTest::newRow("create, name too long") << "open" << ENAMETOOLONG << E::None << "the name is too long.\n" + none;
        QTest::newRow("create, no folder") << "open" << ENOENT << E::None << "the folder does not exist.\n" + none;
        QTest::newRow("create, read-only") << "open" << EROFS << E::Unchanged
                                           << "the filesystem is read-only.\n" + unchanged;
        QTest::newRow("first write, disk full") << "first write" << ENOSPC << E::Unchanged
                                                << "the disk is full.\n" + unchanged;
        QTest::newRow("midway, quota") << "midway" << EDQUOT << E::None << "the disk quota is used up.\n" + none;
        QTest::newRow("midway, in place") << "midway" << EIO << E::Damaged
                                          << "an input/output error: the disk or its connection failed.\n" + damaged;
        QTest::newRow("header") << "header" << ENOSPC << E::Unchanged << "the disk is full.\n" + unchanged;
        QTest::newRow("commit") << "commit" << EIO << E::Unchanged
                                << "an input/output error: the disk or its connection failed.\n" + unchanged;
        QTest::newRow("rarer reason") << "commit" << ENOLINK << E::None << "link has been severed.\n" + none;
        QTest::newRow("reason without words") << "first write" << 4242 << E::None
                                              << "the system reported error 4242.\n" + none;
        // Cancelled: the earlier file is only mentioned when the save had begun writing over it.
        QTest::newRow("cancelled") << "cancel" << 0 << E::Unchanged << QString();
        QTest::newRow("cancelled in place") << "cancel" << 0 << E::Damaged << damaged;
    }

    void failures_at_every_stage()
    {
        QFETCH(QString, stage);
        QFETCH(int, error);
        QFETCH(Output::Earlier, earlier);
        QFETCH(QString, words);
        // Three buffers' worth: 4980 strings of 20 bytes a copy.
        Module1 state;
        for (int i = 0; i < 5000; ++i) {
            state.point_x[i] = float(i % 100);
            state.point_y[i] = float(i / 100);
        }
        state.point_count = 5000;
        state.subdivs = 20;
        ScriptedOutput out;
        out.reason = std::error_code(error, std::generic_category());
        out.earlier_file = earlier;
        out.fail_open = stage == "open";
        out.fail_after_writes = stage == "first write" ? 0 : stage == "midway" ? 1 : SIZE_MAX;
        out.fail_overwrite = stage == "header";
        out.fail_commit = stage == "commit";

        const auto progress = [&](int done, int) { return stage != "cancel" || done < 2; };
        const SaveResult result =
            save_metafile(out, [&](Output& o) { return write_metafile(state, 30, o, progress); });
        QVERIFY(out.cancelled && !out.committed);
        const QString message = QString::fromStdString(save_failure_message(result, "/home/ann/fan.wmf"));
        if (stage == "cancel") {
            QVERIFY(result.exported.cancelled);
            QCOMPARE(result.failed_at, SaveResult::Stage::None);
            QCOMPARE(message, words.isEmpty() ? words : "The save was cancelled.\n/home/ann/fan.wmf: " + words);
            return;
        }
        const auto expected_stage = stage == "open" ? SaveResult::Stage::Open
            : stage == "commit"                     ? SaveResult::Stage::Commit
                                                    : SaveResult::Stage::Write;
        QCOMPARE(result.failed_at, expected_stage);
        QCOMPARE(result.error.value(), error);
        // A write failure stops the replay at once: no more than a batch after the buffer.
        if (stage == "first write")
            QVERIFY2(result.exported.strings < 60000, qPrintable(QString::number(result.exported.strings)));
        QCOMPARE(message, "The file was not saved.\n/home/ann/fan.wmf: " + words);
    }

    void copies_are_saved_once_the_kaleidoscope_was_drawn()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        draw_two_sides(form);
        const QString path = dir.filePath(QStringLiteral("rosette.wmf"));
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        form.Text3->setText(QStringLiteral("5"));
        form.Command3->click();
        QVERIFY(form.state().kaleidoscope_on);
        form.mnuSaveas->trigger();
        const qint64 five = read(path).size();
        // The copies box is read again at saving time.
        form.Text3->setText(QStringLiteral("2"));
        form.mnuSaveas->trigger();
        const qint64 two = read(path).size();
        const qint64 per_copy = 2 * (16 + 20 * 10);
        QCOMPARE(five - two, 3 * per_copy);
        // After "clear canvas" only the figure itself would be saved again.
        form.Command1->click();
        QVERIFY(!form.state().kaleidoscope_on);
        QVERIFY(!form.mnuSaveas->isEnabled());
    }

    // A side released far outside the canvas reaches beyond what a metafile can hold. The
    // save goes through with those strings cut or left out, and says so once, without
    // holding up the user. Fan 1 runs from (-200, 0)..(0, 200) to (0, 200)..(30000, 0): its
    // last 9 strings end beyond x = 16383 (30000 * 11 / 19 = 17368) and are cut. Fan 2 runs
    // on to (30000, 20000): its first 11 strings cross the edge, its last 9 lie beyond it.
    void strings_beyond_the_range_are_cut_and_reported()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        form.canvas_MouseUp(1, 0, -200, 0);
        form.canvas_MouseUp(1, 0, 0, 200);
        form.canvas_MouseUp(1, 0, 0, 200);
        form.canvas_MouseUp(1, 0, 30000, 0);
        form.canvas_MouseUp(1, 0, 30000, 0);
        form.canvas_MouseUp(1, 0, 30000, 20000);
        const QString path = dir.filePath(QStringLiteral("far.wmf"));
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        fixture::MessageWatch messages;
        form.mnuSaveas->trigger();
        QCOMPARE(messages.stops(), 0);
        QCOMPARE(shown_messages().size(), 1);
        QCOMPARE(shown_messages(QStringLiteral("stringsClippedMessage")).size(), 1);
        const QString message = shown_message();
        QVERIFY2(message.contains(QStringLiteral("29 of its strings"))
                     && message.contains(QStringLiteral("20 cut")) && message.contains(QStringLiteral("9 left out")),
                 qPrintable(message));
        QVERIFY(!QApplication::activeModalWidget());

        const QByteArray saved = read(path);
        const wmf::File file = wmf::parsed(std::vector<char>(saved.begin(), saved.end()));
        QCOMPARE(file.count(wmf::kLineTo), 20 + 11);
        // The highest cut end: string 6 of fan 2, from (9473.68, 136.84) to (30000, 6315.79),
        // leaves at x = 16383.5 a third of the way along (0.33663), at y = 2216.9.
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{-200, -2217, 16383, 0}));
    }

    void long_work_shows_progress_and_can_be_cancelled()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        form.set_progress_delay(30); // some copies are drawn before the dialog can be cancelled
        draw_big_figure(form);

        // Kaleidoscope: what was drawn before the cancel stays on the canvas.
        const QImage before = form.canvas_window()->image();
        form.Text3->setText(QStringLiteral("3000"));
        bool seen = false;
        auto watcher = cancel_progress_when_shown(seen);
        form.Command3->click();
        QVERIFY(seen);
        QVERIFY(form.canvas_window()->image() != before);
        QVERIFY(!QApplication::overrideCursor());

        // Export: cancelling leaves no new file, and an earlier file untouched.
        const QString path = dir.filePath(QStringLiteral("big.wmf"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        seen = false;
        watcher = cancel_progress_when_shown(seen);
        form.mnuSaveas->trigger();
        QVERIFY(seen);
        QCOMPARE(read(path), QByteArray("earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("big.wmf")});
    }

    void closing_the_window_stops_an_export_without_a_file()
    {
        QTemporaryDir dir;
        Form1 form([] { return 0.25; });
        form.set_progress_delay(30);
        draw_big_figure(form);
        form.Command3->click(); // copies 5 is quick
        form.Text3->setText(QStringLiteral("3000"));
        const QString path = dir.filePath(QStringLiteral("late.wmf"));
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        // A logout closes windows even past a modal dialog; the export must not go on.
        QTimer exit_soon;
        exit_soon.setSingleShot(true);
        connect(&exit_soon, &QTimer::timeout, &form, &Form1::mnuExit_Click);
        exit_soon.start(60);
        form.mnuSaveas->trigger();
        QVERIFY(!form.isVisible());
        QVERIFY(!QFile::exists(path));
        QVERIFY(form.findChildren<QMessageBox*>(kSaveFailed).isEmpty());
    }

    void short_work_shows_no_dialog()
    {
        Form1 form([] { return 0.25; });
        draw_two_sides(form);
        bool seen = false;
        const auto watcher = cancel_progress_when_shown(seen);
        form.Command3->click(); // well under the default second
        QTest::qWait(20);
        QVERIFY(!seen);
    }
};

QTEST_MAIN(SaveCommandTest)
#include "tst_savecommand.moc"
