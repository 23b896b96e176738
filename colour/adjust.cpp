#include "colour/adjust.h"

#include "colour/ColourChip.h"
#include "core/NumberText.h"
#include "widgets/Controls.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// The component runs from 255 at the top end to 0 at the bottom: the bar's minimum is 255
// and its maximum 0. Qt's control is 0 .. 255 shown inverted, so what it does by which part
// was hit is turned round here:
// - the arrows step by which arrow, not by direction, so mouse steps are reversed; keys and
//   the wheel already move the thumb the way they point because the controls are not
//   inverted;
// - Home and End go to Qt's 0 and 255, the wrong ends;
// - a click in the track, whatever the button and whatever the style says about jumping to
//   the pointer, steps by 1 toward the click, repeating while held until the thumb is there.
class ComponentBar final : public QScrollBar {
public:
    explicit ComponentBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
    {
        connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { turn_round(action); });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->buttons() & ~event->button()) // another button is already down
            return QScrollBar::mousePressEvent(event);
        const QPoint at = event->position().toPoint();
        const QStyle::SubControl hit = part_at(at);
        if (hit == QStyle::SC_ScrollBarSubPage || hit == QStyle::SC_ScrollBarAddPage) {
            press_track(at);
            event->accept();
            return;
        }
        by_mouse_ = true;
        if (event->button() != Qt::LeftButton
            && (hit == QStyle::SC_ScrollBarSubLine || hit == QStyle::SC_ScrollBarAddLine)) {
            // Every button steps an arrow alike; Qt takes only the left one there.
            QMouseEvent left(QEvent::MouseButtonPress, event->position(), event->scenePosition(),
                             event->globalPosition(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QScrollBar::mousePressEvent(&left);
            event->setAccepted(left.isAccepted());
            return;
        }
        QScrollBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (in_track_) {
            if (!(event->buttons() & ~event->button()))
                stop_track();
            event->accept();
            return;
        }
        QScrollBar::mouseReleaseEvent(event);
        by_mouse_ = false;
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (in_track_) {
            event->accept();
            return;
        }
        QScrollBar::mouseMoveEvent(event);
    }
    void hideEvent(QHideEvent* event) override
    {
        by_mouse_ = false;
        stop_track();
        QScrollBar::hideEvent(event);
    }

private:
    QStyle::SubControl part_at(QPoint at) const
    {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return style()->hitTestComplexControl(QStyle::CC_ScrollBar, &opt, at, this);
    }

    QRect thumb() const
    {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this);
    }

    void press_track(QPoint at)
    {
        in_track_ = true;
        track_point_ = at;
        // Up the bar is toward 255, the larger value.
        const SliderAction step = at.y() < thumb().center().y() ? SliderSingleStepAdd : SliderSingleStepSub;
        setRepeatAction(step);
        triggerAction(step);
    }

    void stop_track()
    {
        if (!in_track_)
            return;
        in_track_ = false;
        setRepeatAction(SliderNoAction);
    }

    // Runs after the slider position has taken the step and before the value follows it.
    void turn_round(int action)
    {
        switch (action) {
        case SliderToMinimum: setSliderPosition(maximum()); return;
        case SliderToMaximum: setSliderPosition(minimum()); return;
        default: break;
        }
        if (in_track_) {
            // Held in the track: stop once the thumb has reached the pointer.
            const QRect t = thumb();
            if (track_point_.y() >= t.top() && track_point_.y() <= t.bottom())
                setRepeatAction(SliderNoAction);
            return;
        }
        if (!by_mouse_)
            return;
        switch (action) {
        case SliderSingleStepAdd: setSliderPosition(value() - singleStep()); break;
        case SliderSingleStepSub: setSliderPosition(value() + singleStep()); break;
        default: break;
        }
    }

    bool by_mouse_ = false;
    bool in_track_ = false;
    QPoint track_point_;
};

QScrollBar* make_bar(QWidget* parent, const char* name, QRect geometry)
{
    auto* bar = new ComponentBar(parent);
    placed(bar, name, geometry);
    // 255 at the top, 0 at the bottom: moving the thumb up raises the component.
    bar->setRange(0, 255);
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // Only a finished move counts, not every position of a dragged thumb.
    bar->setTracking(false);
    // A bar is a stop of the dialog's tab cycle, as its tab order says.
    bar->setFocusPolicy(Qt::StrongFocus);
    // Its entries step the wrong way and "Scroll here" jumps.
    bar->setContextMenuPolicy(Qt::NoContextMenu);
    return bar;
}

QLabel* coloured(QLabel* label, QColor colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

} // namespace

adjust::adjust(QWidget* parent) : QWidget(parent)
{
    set_up_fixed_window(this, "adjust", QStringLiteral("color adj"), twips_size(1560, 3885));
    setAttribute(Qt::WA_DeleteOnClose);

    Command2 = new QPushButton(QStringLiteral("cancel"), this);
    placed(Command2, "Command2", twips_rect(120, 3480, 1335, 315));
    bscroll = make_bar(this, "bscroll", twips_rect(1080, 480, 255, 2055));
    gscroll = make_bar(this, "gscroll", twips_rect(600, 480, 255, 2055));
    rscroll = make_bar(this, "rscroll", twips_rect(120, 480, 255, 2055));
    rbox = make_box(this, "rbox", "Text1", twips_rect(120, 120, 375, 285));
    bbox = make_box(this, "bbox", "Text2", twips_rect(1080, 120, 375, 285));
    gbox = make_box(this, "gbox", "Text5", twips_rect(600, 120, 375, 285));
    chipbox = new ColourChip(this);
    placed(chipbox, "chipbox", twips_rect(120, 2880, 1335, 495));
    Label4 = coloured(make_label(this, "Label4", QStringLiteral("Red"), twips_rect(120, 2640, 375, 255)), QColor(255, 0, 0));
    Label5 = coloured(make_label(this, "Label5", QStringLiteral("Gre"), twips_rect(600, 2640, 375, 255)), QColor(0, 128, 0));
    Label7 = coloured(make_label(this, "Label7", QStringLiteral("Blu"), twips_rect(1080, 2640, 375, 255)), QColor(0, 0, 255));
    name_and_order_controls();

    connect(rscroll, &QScrollBar::valueChanged, this, &adjust::rscroll_Change);
    connect(gscroll, &QScrollBar::valueChanged, this, &adjust::gscroll_Change);
    connect(bscroll, &QScrollBar::valueChanged, this, &adjust::bscroll_Change);
    connect(rbox, &QLineEdit::textChanged, this, &adjust::rbox_Change);
    connect(gbox, &QLineEdit::textChanged, this, &adjust::gbox_Change);
    connect(bbox, &QLineEdit::textChanged, this, &adjust::bbox_Change);
    connect(Command2, &QPushButton::clicked, this, &adjust::Command2_Click);
}

void adjust::name_and_order_controls()
{
    // Names for screen readers; a bar's value is announced with it.
    rscroll->setAccessibleName(QStringLiteral("red"));
    gscroll->setAccessibleName(QStringLiteral("green"));
    bscroll->setAccessibleName(QStringLiteral("blue"));
    rbox->setAccessibleName(QStringLiteral("red value"));
    gbox->setAccessibleName(QStringLiteral("green value"));
    bbox->setAccessibleName(QStringLiteral("blue value"));
    chipbox->setAccessibleName(QStringLiteral("preview"));

    // Tab order: cancel, blue bar, green bar, red bar, red box, blue box, green box, preview.
    setTabOrder(Command2, bscroll);
    setTabOrder(bscroll, gscroll);
    setTabOrder(gscroll, rscroll);
    setTabOrder(rscroll, rbox);
    setTabOrder(rbox, bbox);
    setTabOrder(bbox, gbox);
    setTabOrder(gbox, chipbox);
    Command2->setFocus();
}

void adjust::show_colour(Colour colour)
{
    if (!is_valid_colour(colour))
        return; // no byte of it would be a component
    chipbox->set_colour(colour);
    const int red = red_of(colour), green = green_of(colour), blue = blue_of(colour);
    rscroll->setValue(red);
    gscroll->setValue(green);
    bscroll->setValue(blue);
    rbox->setText(QString::number(red));
    gbox->setText(QString::number(green));
    bbox->setText(QString::number(blue));
    if (!isVisible())
        show();
    else
        raise();
}

void adjust::rscroll_Change() { bar_change(rscroll, rbox); }
void adjust::gscroll_Change() { bar_change(gscroll, gbox); }
void adjust::bscroll_Change() { bar_change(bscroll, bbox); }
void adjust::rbox_Change() { box_change(rbox, rscroll); }
void adjust::gbox_Change() { box_change(gbox, gscroll); }
void adjust::bbox_Change() { box_change(bbox, bscroll); }

void adjust::bar_change(QScrollBar* bar, QLineEdit* box)
{
    box->setText(QString::number(bar->value()));
    update_color();
}

void adjust::box_change(QLineEdit* box, QScrollBar* bar)
{
    // Each reset changes the text and so runs this handler again, nested, on valid text.
    const auto value = [box] { return numeric_value(box->text().toStdString()); };
    const auto reset = [box, bar] { box->setText(QString::number(bar->value())); };
    if (!value()) {
        reset();
    } else {
        if (*value() < 0)
            reset();
        if (const auto v = value(); !v || *v > 255)
            reset();
    }
    if (const auto rounded = text_to_int16(box->text().toStdString()))
        bar->setValue(*rounded);
    update_color();
}

void adjust::update_color()
{
    const int red = rscroll->value();
    const int green = gscroll->value();
    const int blue = bscroll->value();
    chipbox->set_colour(rgb(red, green, blue));
    emit colourChanged(chipbox->colour());
}

void adjust::Command2_Click()
{
    emit cancelled();
    hide();
}
