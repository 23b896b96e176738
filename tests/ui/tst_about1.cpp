#include "FormFixture.h"

#include "ui/CaptionFit.h"
#include "ui/about1.h"

#include <QLabel>
#include <QPushButton>

using namespace fixture;

class About1Test : public QObject {
    Q_OBJECT

private slots:
    // The windows are measured in the font the program gives them.
    void initTestCase() { use_program_font(); }

    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void about_window_shows_a_notice_above_ok()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.mnuAbout->trigger();
        about1* about = window<about1>();
        QVERIFY(about && about->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->windowTitle(), QStringLiteral("about Tressik"));
        expect_fixed_frame(about, {215, 73});

        QLabel* label = control<QLabel>(about, "Label1");
        QPushButton* ok = control<QPushButton>(about, "Command1");
        QCOMPARE(label->geometry(), QRect(0, 0, 209, 49));
        QCOMPARE(ok->geometry(), QRect(64, 40, 65, 25));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(about->focusWidget(), ok);
        // The button is drawn over the label's lowest 9 pixels.
        QCOMPARE(about->childAt(70, 45), ok);

        // The wrapped notice ends above the button, in the default font.
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
        const Tool t(*form);
        t.mnuAbout->trigger();
        t.mnuAbout->trigger();
        QCOMPARE(open_windows<about1>(), 1);
        QPointer<about1> first = window<about1>();
        click(control<QPushButton>(first, "Command1"));
        flush_deletions();
        QVERIFY(first.isNull());
        QCOMPARE(open_windows<about1>(), 0);

        t.mnuAbout->trigger();
        QVERIFY(window<about1>() && window<about1>()->isVisible());
        QCOMPARE(window<about1>()->focusWidget(), control<QPushButton>(window<about1>(), "Command1"));
        // The keyboard presses the focused button, too.
        QPointer<about1> second = window<about1>();
        QTest::keyClick(control<QPushButton>(second, "Command1"), Qt::Key_Space);
        flush_deletions();
        QVERIFY(second.isNull());
    }
};

QTEST_MAIN(About1Test)
#include "tst_about1.moc"
