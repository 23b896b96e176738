#include "FormFixture.h"

#include "ui/CaptionFit.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QFontInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>

#include <memory>

// Run under tests/ui/only-fonts.sh with one font package as the system's only fonts, and
// with QT_SCALE_FACTOR, this checks every caption of the fixed-size windows as it is drawn.

using namespace fixture;

namespace {

// Where a caption's text is laid out, how, and where its glyphs may fall, in the control's
// own coordinates.
struct Room {
    QRect text;
    Qt::Alignment alignment;
    bool word_wrap = false;
    QRegion allowed;
};

// A label shows its caption in its contents rectangle; siblings stacked above it hide part
// of it (the chips the last pixel column of their digits, "OK" the notice's lowest rows).
Room label_room(const QLabel* label)
{
    QRegion visible(label->rect());
    const QObjectList& siblings = label->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings[i]);
        if (above && above->isVisible())
            visible -= above->geometry().translated(-label->pos());
    }
    return {label->contentsRect(), label->alignment(), label->wordWrap(), visible};
}

// A push button centres its caption in its contents rectangle, inside the frame; a glyph that
// touches the frame reads as cut off, so one pixel stays clear all round.
Room button_room(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return {contents, Qt::AlignCenter, false, QRegion(contents.adjusted(1, 1, -1, -1))};
}

struct Ink {
    QRect bounds;      // every drawn pixel, in the control's coordinates
    QRect outside;     // the drawn pixels that fall outside the allowed region
    int pixels = 0;
};

// Draws the caption as the control does (same font, alignment, wrapping, scale factor) but
// with room to spare beyond every edge that alignment lets the text grow past, so that no
// glyph is clipped, and finds its pixels.
Ink ink_of(const QString& caption, const QFont& font, const Room& room)
{
    constexpr int pad = 200;
    const int left = room.alignment & (Qt::AlignHCenter | Qt::AlignRight) ? pad : 0;
    const int right = room.word_wrap || room.alignment & Qt::AlignRight ? 0 : pad;
    const int top = room.alignment & (Qt::AlignVCenter | Qt::AlignBottom) ? pad : 0;
    const int bottom = room.alignment & Qt::AlignBottom ? 0 : pad;
    const QRect spare = room.text.adjusted(-left, -top, right, bottom);

    QLabel twin(caption);
    twin.setTextFormat(Qt::PlainText);
    twin.setFont(font);
    twin.setAlignment(room.alignment);
    twin.setWordWrap(room.word_wrap);
    QPalette p = twin.palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    twin.setPalette(p);
    twin.setAutoFillBackground(true);
    twin.resize(spare.size());
    const QImage image = twin.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal dpr = image.devicePixelRatio();

    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) == 0xffffff)
                continue;
            const QPoint at = QPoint(int(x / dpr), int(y / dpr)) + spare.topLeft();
            const QRect pixel(at, QSize(1, 1));
            ++ink.pixels;
            ink.bounds |= pixel;
            if (!room.allowed.contains(at))
                ink.outside |= pixel;
        }
    }
    return ink;
}

QString describe(const QRect& r)
{
    return QStringLiteral("x %1..%2, y %3..%4").arg(r.left()).arg(r.right()).arg(r.top()).arg(r.bottom());
}

} // namespace

class CaptionFitTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        use_program_font();
        form_ = shown_form();
        QVERIFY(form_);
        const Tool t(*form_);
        click(t.chip[0]);
        t.mnuTressikhelp->trigger();
        t.mnuAbout->trigger();
        const QList<QWidget*> windows{form_.get(), window<adjust>(), window<tressikhelp>(),
                                      window<about1>()};
        for (QWidget* window : windows) {
            QVERIFY(window && QTest::qWaitForWindowExposed(window));
            // Fixed-size geometry only: the menu bar lays itself out.
            const QWidget* fixed = window == form_.get() ? form_->centralWidget() : window;
            for (QWidget* control : fixed->findChildren<QWidget*>()) {
                if (qobject_cast<QLabel*>(control) || qobject_cast<QPushButton*>(control))
                    captions_.append(control);
            }
        }
        const QFont help_caption = control<QLabel>(window<tressikhelp>(), "Label1")->font();
        qInfo("font %s %.1f pt at scale %.2f; help caption %s %.1f pt",
              qPrintable(QFontInfo(QApplication::font()).family()), QApplication::font().pointSizeF(),
              form_->devicePixelRatio(), qPrintable(QFontInfo(help_caption).family()),
              help_caption.pointSizeF());
    }

    void cleanupTestCase()
    {
        form_.reset();
        flush_deletions();
    }

    void every_caption_of_the_fixed_windows_is_walked()
    {
        // Tool window: subdivs, copies, eight digits, five buttons; colour dialog: three
        // labels and cancel; help: its label; about: the notice and OK.
        QCOMPARE(captions_.size(), 15 + 4 + 1 + 2);
    }

    void caption_shows_whole_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < captions_.size(); ++i) {
            const QWidget* c = captions_[i];
            const auto* label = qobject_cast<const QLabel*>(c);
            const QString text = label ? label->text() : qobject_cast<const QPushButton*>(c)->text();
            QTest::addRow("%s %s \"%s\"", qPrintable(c->window()->objectName()),
                          qPrintable(c->objectName()), qPrintable(text.left(20)))
                << i;
        }
    }

    void caption_shows_whole()
    {
        QFETCH(int, index);
        QWidget* control = captions_.value(index);
        QVERIFY(control);
        QString caption;
        Room room;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            caption = label->text();
            room = label_room(label);
        } else {
            auto* button = qobject_cast<QPushButton*>(control);
            caption = button->text();
            room = button_room(button);
        }
        const Ink ink = ink_of(caption, control->font(), room);
        QVERIFY2(ink.pixels > 0, "the caption draws something");
        QVERIFY2(ink.outside.isNull(),
                 qPrintable(QStringLiteral("%1 pt %2: glyphs at %3 of %4 fall outside the room %5")
                                .arg(control->font().pointSizeF())
                                .arg(QFontInfo(control->font()).family(), describe(ink.outside),
                                     describe(ink.bounds), describe(room.allowed.boundingRect()))));
    }

    void program_font_is_compact_data()
    {
        QTest::addColumn<qreal>("desktop");
        QTest::addColumn<qreal>("expected");
        QTest::newRow("a large desktop font") << 11.0 << 7.5;
        QTest::newRow("the usual 9 points") << 9.0 << 7.5;
        QTest::newRow("just over") << 7.75 << 7.5;
        QTest::newRow("the compact size itself") << 7.5 << 7.5;
        QTest::newRow("a smaller desktop font stays") << 7.0 << 7.0;
    }

    void program_font_is_compact()
    {
        QFETCH(qreal, desktop);
        QFETCH(qreal, expected);
        QFont font(QStringLiteral("Sans Serif"));
        font.setPointSizeF(desktop);
        font.setWeight(QFont::DemiBold);
        const QFont chosen = program_font(font);
        QCOMPARE(chosen.pointSizeF(), expected);
        QCOMPARE(chosen.family(), font.family());
        QCOMPARE(chosen.weight(), QFont::DemiBold);
    }

    void caption_that_fits_keeps_the_wanted_font()
    {
        QFont wanted(QStringLiteral("Sans Serif"), 12, QFont::Bold);
        const QFont chosen = fitting_font(wanted, {QStringLiteral("Sans Serif")}, QStringLiteral("Tressik"), {400, 40});
        QCOMPARE(chosen, wanted);
    }

    void caption_too_wide_gets_a_smaller_size_that_fits()
    {
        const QString caption = QStringLiteral("Tressik is String Art");
        QFont wanted(QStringLiteral("Sans Serif"), 12, QFont::Bold);
        // Two thirds of the width the caption takes at 12 points.
        const QSize room(QFontMetrics(wanted).horizontalAdvance(caption) * 2 / 3, 40);
        QVERIFY(!caption_fits(caption, wanted, room));
        const QFont chosen = fitting_font(wanted, {QStringLiteral("Sans Serif")}, caption, room);
        QVERIFY(caption_fits(caption, chosen, room));
        QVERIFY(chosen.pointSizeF() < 12);
        QVERIFY(chosen.pointSizeF() >= 6);
        QCOMPARE(chosen.weight(), QFont::Bold);
        // Half a point larger would not have fitted: it is the largest size that does.
        QFont larger = chosen;
        larger.setPointSizeF(chosen.pointSizeF() + 0.5);
        QVERIFY(!caption_fits(caption, larger, room));
    }

    void caption_that_fits_nowhere_stops_at_six_points()
    {
        QFont wanted(QStringLiteral("Sans Serif"), 12);
        const QFont chosen = fitting_font(wanted, {QStringLiteral("Sans Serif"), QStringLiteral("Serif")},
                                          QStringLiteral("Tressik"), {3, 3});
        QCOMPARE(chosen.pointSizeF(), 6.0);
        QCOMPARE(chosen.families(), QStringList{QStringLiteral("Sans Serif")});
    }

    void caption_fits_with_a_pixel_to_spare()
    {
        const QFont font(QStringLiteral("Sans Serif"), 9);
        const QFontMetrics metrics(font);
        const QString caption = QStringLiteral("copies");
        const int advance = metrics.horizontalAdvance(caption);
        QVERIFY(caption_fits(caption, font, {advance + 20, metrics.height()}));
        QVERIFY(!caption_fits(caption, font, {advance, metrics.height()}));
        QVERIFY(!caption_fits(caption, font, {advance + 20, metrics.height() - 1}));
    }

private:
    std::unique_ptr<Form1> form_;
    QList<QPointer<QWidget>> captions_;
};

QTEST_MAIN(CaptionFitTest)
#include "tst_captionfit.moc"
