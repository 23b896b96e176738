#include "ScriptedOutput.h"
#include "core/Module1.h"
#include "export/SaveCommand.h"

#include <QTest>

#include <cerrno>

Q_DECLARE_METATYPE(Output::Earlier)

class SaveCommandTest : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_APPLESS_MAIN(SaveCommandTest)
#include "tst_savecommand.moc"
