#include "FormFixture.h"
#include "ui/Form1.h"
#include "ui/MetafileSaveDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using fixture::draw_two_sides;
using fixture::Tool;

namespace {

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MetafileSaveDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The real dialog: a name typed without a suffix gets ".wmf" under the metafile filter
    // and stays as typed under "all files"; the question before replacing a file names the
    // file that would really be replaced.
    void the_dialog_adds_the_suffix_and_asks_about_the_real_name_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter"); // 0 meta files, 1 all files
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("replace"); // the answer, if asked
        QTest::addColumn<QString>("asked_about");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare name") << "fan" << 0 << QStringList{} << true << "" << "fan.wmf";
        QTest::newRow("bare name, all files") << "fan" << 1 << QStringList{} << true << "" << "fan";
        QTest::newRow("own suffix") << "fan.old" << 0 << QStringList{} << true << "" << "fan.old";
        QTest::newRow("typed name exists, real one not")
            << "fan" << 0 << QStringList{"fan"} << true << "" << "fan.wmf";
        QTest::newRow("real name exists, replaced")
            << "fan" << 0 << QStringList{"fan.wmf"} << true << "fan.wmf" << "fan.wmf";
        QTest::newRow("real name exists, kept") << "fan" << 0 << QStringList{"fan.wmf"} << false << "fan.wmf" << "";
    }

    void the_dialog_adds_the_suffix_and_asks_about_the_real_name()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QStringList, existing);
        QFETCH(bool, replace);
        QFETCH(QString, asked_about);
        QFETCH(QString, written);
        QTemporaryDir dir;
        for (const QString& name : existing) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        Form1 form({.uniform = [] { return 0.25; }});
        const Tool t(form);
        draw_two_sides();

        // Plays the user: fills the dialog in once, answers a question, and gives up on a
        // dialog that comes back after "No".
        QString question;
        bool filled = false;
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            } else if (auto* dialog = qobject_cast<MetafileSaveDialog*>(modal)) {
                if (filled) {
                    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
                    return;
                }
                filled = true;
                dialog->setDirectory(dir.path());
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(types && name);
                for (int i = 0; i < filter; ++i)
                    QTest::keyClick(types, Qt::Key_Down);
                QCOMPARE(types->currentIndex(), filter);
                name->clear();
                QTest::keyClicks(name, typed);
                QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
            }
        });
        user.start(10);
        t.mnuSaveas->trigger();
        user.stop();

        QVERIFY(filled);
        if (asked_about.isEmpty())
            QVERIFY2(question.isEmpty(), qPrintable(question));
        else
            QVERIFY2(question.contains(asked_about + QStringLiteral(" already exists")), qPrintable(question));
        QStringList files = existing;
        if (!written.isEmpty()) {
            QVERIFY(read(dir.filePath(written)).startsWith(QByteArray::fromHex("d7cdc69a")));
            files << written;
        }
        for (const QString& name : existing)
            if (name != written)
                QCOMPARE(read(dir.filePath(name)), QByteArray("earlier"));
        files.removeDuplicates();
        files.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), files);
    }

    void suffix_of_a_filter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("metafiles") << "meta files (*.wmf)" << "wmf";
        QTest::newRow("all files") << "all files (*.*)" << "";
        QTest::newRow("any name") << "anything (*)" << "";
        QTest::newRow("two patterns") << "pictures (*.wmf *.emf)" << "";
    }

    void suffix_of_a_filter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QCOMPARE(MetafileSaveDialog::suffix_of(filter), suffix);
    }
};

QTEST_MAIN(MetafileSaveDialogTest)
#include "tst_metafilesavedialog.moc"
