#include "FormFixture.h"
#include "export/FigureFormat.h"
#include "ui/FigureSaveDialog.h"
#include "ui/Form1.h"

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

class FigureSaveDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The real dialog: a name typed without a suffix gets the filter's, and stays as typed
    // under "all files"; switching filters changes a known suffix only, and never to ".*";
    // the question before replacing a file names the file that would really be replaced.
    void the_dialog_adds_the_suffix_and_asks_about_the_real_name_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter"); // an index into the five filters, chosen before typing
        QTest::addColumn<int>("switch_to"); // chosen after typing, then the box shows `written`
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("replace"); // the answer, if asked
        QTest::addColumn<QString>("asked_about");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare name") << "fan" << 0 << -1 << QStringList{} << true << "" << "fan.wmf";
        QTest::newRow("bare name, SVG") << "fan" << 1 << -1 << QStringList{} << true << "" << "fan.svg";
        QTest::newRow("bare name, all files") << "fan" << 4 << -1 << QStringList{} << true << "" << "fan";
        QTest::newRow("own suffix") << "fan.old" << 0 << -1 << QStringList{} << true << "" << "fan.old";
        QTest::newRow("typed name exists, real one not")
            << "fan" << 0 << -1 << QStringList{"fan"} << true << "" << "fan.wmf";
        QTest::newRow("real name exists, replaced")
            << "fan" << 0 << -1 << QStringList{"fan.wmf"} << true << "fan.wmf" << "fan.wmf";
        QTest::newRow("real name exists, kept")
            << "fan" << 0 << -1 << QStringList{"fan.wmf"} << false << "fan.wmf" << "";
        QTest::newRow("only a leading dot") // Qt would take the dot for a suffix's
            << ".fan" << 2 << -1 << QStringList{".fan.pdf"} << true << ".fan.pdf" << ".fan.pdf";
        QTest::newRow("switch to PNG") << "fan.wmf" << 0 << 3 << QStringList{} << true << "" << "fan.png";
        QTest::newRow("switch to all files") << "fan.png" << 3 << 4 << QStringList{} << true << "" << "fan.png";
        QTest::newRow("switch keeps another suffix")
            << "v1.2" << 0 << 1 << QStringList{"v1.2"} << true << "v1.2" << "v1.2";
    }

    void the_dialog_adds_the_suffix_and_asks_about_the_real_name()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(int, switch_to);
        QFETCH(QStringList, existing);
        QFETCH(bool, replace);
        QFETCH(QString, asked_about);
        QFETCH(QString, written);
        QTemporaryDir dir;
        for (const QString& name : existing)
            write_file(dir.filePath(name), "earlier");
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
            } else if (auto* dialog = qobject_cast<FigureSaveDialog*>(modal)) {
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
                fixture::paste_over(name, typed); // at once: Qt's list would pick "." on the way to ".fan"
                for (int i = filter; i < switch_to; ++i)
                    QTest::keyClick(types, Qt::Key_Down);
                if (switch_to >= 0)
                    QCOMPARE(name->text(), written);
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
            QVERIFY(!read_file(dir.filePath(written)).startsWith("earlier"));
            files << written;
        }
        for (const QString& name : existing)
            if (name != written)
                QCOMPARE(read_file(dir.filePath(name)), QByteArray("earlier"));
        files.removeDuplicates();
        files.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files);
    }

    void the_dialog_offers_the_type_chosen_last()
    {
        const FigureSaveDialog dialog(nullptr, QString::fromStdString(save_filter_list()), {"fan.svg", 3});
        QCOMPARE(dialog.nameFilters().size(), 5);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("PNG image (*.png)"));
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
        QCOMPARE(FigureSaveDialog::suffix_of(filter), suffix);
    }
};

QTEST_MAIN(FigureSaveDialogTest)
#include "tst_figuresavedialog.moc"
