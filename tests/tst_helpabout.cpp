#include "FormFixture.h"

#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

using namespace fixture;

namespace {

template <typename Window>
int open_windows()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<Window*>(w) != nullptr && w->isVisible();
    return n;
}

void expect_fixed_frame(QWidget* w, QSize client)
{
    QCOMPARE(w->size(), client);
    QCOMPARE(w->minimumSize(), client);
    QCOMPARE(w->maximumSize(), client);
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w->windowModality(), Qt::NonModal);
}

} // namespace

class HelpAboutTest : public QObject {
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
        form->mnuTressikhelp->trigger();
        tressikhelp* help = form->help_window();
        QVERIFY(help && help->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->windowTitle(), QStringLiteral("Tressik help"));
        expect_fixed_frame(help, {411, 307});

        QLabel* label = help->Label1;
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
        form->mnuTressikhelp->trigger();
        QPointer<tressikhelp> first = form->help_window();
        first->move(40, 50);
        form->mnuTressikhelp->trigger();
        QCOMPARE(form->help_window(), first.data());
        QCOMPARE(open_windows<tressikhelp>(), 1);
        QCOMPARE(first->pos(), QPoint(40, 50));

        first->close();
        flush_deletions();
        QVERIFY(first.isNull());
        QVERIFY(!form->help_window());
        form->mnuTressikhelp->trigger();
        QVERIFY(form->help_window() && form->help_window()->isVisible());
        QCOMPARE(open_windows<tressikhelp>(), 1);
    }

    void about_window_shows_a_notice_above_ok()
    {
        auto form = shown_form();
        QVERIFY(form);
        form->mnuAbout->trigger();
        about1* about = form->about_window();
        QVERIFY(about && about->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->windowTitle(), QStringLiteral("about Tressik"));
        expect_fixed_frame(about, {215, 73});

        QCOMPARE(about->Label1->geometry(), QRect(0, 0, 209, 49));
        QCOMPARE(about->Command1->geometry(), QRect(64, 40, 65, 25));
        QCOMPARE(about->Command1->text(), QStringLiteral("OK"));
        QCOMPARE(about->focusWidget(), about->Command1);
        // The button is drawn over the label's lowest 9 pixels.
        QCOMPARE(about->childAt(70, 45), about->Command1);

        // The wrapped notice ends above the button, in the default font.
        QLabel* label = about->Label1;
        QVERIFY(label->wordWrap());
        QVERIFY(label->text().contains(QLatin1String("MIT License")));
        QCOMPARE(label->font(), QApplication::font());
        const QRect text = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000),
                                                             Qt::TextWordWrap, label->text());
        QVERIFY2(text.width() <= label->width(), "the text fills the label's width, no more");
        QVERIFY2(text.height() <= 40, "the text stays in the label's top 600 twips");
        QVERIFY(label->heightForWidth(label->width()) <= 40);
    }

    void about_ok_closes_it_and_it_opens_again()
    {
        auto form = shown_form();
        QVERIFY(form);
        form->mnuAbout->trigger();
        form->mnuAbout->trigger();
        QCOMPARE(open_windows<about1>(), 1);
        QPointer<about1> first = form->about_window();
        click(first->Command1);
        flush_deletions();
        QVERIFY(first.isNull());
        QCOMPARE(open_windows<about1>(), 0);

        form->mnuAbout->trigger();
        QVERIFY(form->about_window() && form->about_window()->isVisible());
        QCOMPARE(form->about_window()->focusWidget(), form->about_window()->Command1);
        // The keyboard presses the focused button, too.
        QPointer<about1> second = form->about_window();
        QTest::keyClick(second->Command1, Qt::Key_Space);
        flush_deletions();
        QVERIFY(second.isNull());
    }
};

QTEST_MAIN(HelpAboutTest)
#include "tst_helpabout.moc"
