#include "FormFixture.h"

#include "ui/tressikhelp.h"

#include <QFontInfo>
#include <QLabel>

using namespace fixture;

class TressikHelpTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void help_window_names_the_program()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.mnuTressikhelp->trigger();
        tressikhelp* help = window<tressikhelp>();
        QVERIFY(help && help->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->windowTitle(), QStringLiteral("Tressik help"));
        expect_fixed_frame(help, {411, 307});

        QLabel* label = control<QLabel>(help, "Label1");
        QCOMPARE(label->text(), QStringLiteral("Tressik is String Art"));
        QCOMPARE(label->geometry(), QRect(8, 0, 153, 25));
        QCOMPARE(help->findChildren<QWidget*>(), QList<QWidget*>{label});
        const QFontInfo font(label->font());
        // 12 points, or smaller where no face the system has shows the caption whole at 12.
        QVERIFY(label->font().pointSizeF() <= 12 && label->font().pointSizeF() >= 6);
        QCOMPARE(font.weight(), int(QFont::Bold));
        QVERIFY(!font.italic());
        // Whatever face the system matched, the caption shows whole inside the label.
        const QFontMetrics metrics(label->font());
        QVERIFY(metrics.horizontalAdvance(label->text()) <= label->width());
        QVERIFY(metrics.height() <= label->height());

        // White behind the label and everywhere else.
        QCOMPARE(help->palette().color(QPalette::Window), QColor(Qt::white));
        const QImage shot = help->grab().toImage();
        QCOMPARE(count_pixels(shot.copy(200, 0, 211, 307), rgb(255, 255, 255)), 211 * 307);
        const QImage behind_label = shot.copy(label->geometry());
        QVERIFY(count_pixels(behind_label, rgb(255, 255, 255)) > behind_label.width() * behind_label.height() / 2);
        QVERIFY(count_pixels(behind_label, rgb(255, 255, 255)) < behind_label.width() * behind_label.height());
    }

    void help_opens_once_and_afresh_after_closing()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.mnuTressikhelp->trigger();
        QPointer<tressikhelp> first = window<tressikhelp>();
        first->move(40, 50);
        t.mnuTressikhelp->trigger();
        QCOMPARE(window<tressikhelp>(), first.data());
        QCOMPARE(open_windows<tressikhelp>(), 1);
        QCOMPARE(first->pos(), QPoint(40, 50));

        first->close();
        flush_deletions();
        QVERIFY(first.isNull());
        QVERIFY(!window<tressikhelp>());
        t.mnuTressikhelp->trigger();
        QVERIFY(window<tressikhelp>() && window<tressikhelp>()->isVisible());
        QCOMPARE(open_windows<tressikhelp>(), 1);
    }
};

QTEST_MAIN(TressikHelpTest)
#include "tst_tressikhelp.moc"
