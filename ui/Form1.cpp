#include "ui/Form1.h"

#include "colour/BackColor.h"
#include "colour/ChipColours.h"
#include "colour/ColourChip.h"
#include "colour/adjust.h"
#include "core/Kaleidoscope.h"
#include "core/LoopClose.h"
#include "core/NullSink.h"
#include "core/NumberText.h"
#include "core/SideEntry.h"
#include "widgets/Controls.h"
#include "widgets/Twips.h"
#include "canvas/canvas.h"
#include "export/AtomicFileOutput.h"
#include "export/MetafileExport.h"
#include "export/SaveCommand.h"
#include "ui/LongTask.h"
#include "ui/MetafileSaveDialog.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTime>

#include <random>

namespace {

std::function<double()> time_seeded_uniform()
{
    const auto seconds_since_midnight = unsigned(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    auto engine = std::make_shared<std::mt19937>(seconds_since_midnight);
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

QPushButton* make_button(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    auto* button = placed(new QPushButton(QLatin1String(text), parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QLabel* make_label(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* label = placed(new QLabel(text, parent), name, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

Form1::Form1(std::function<double()> uniform, QWidget* parent)
    : QMainWindow(parent, kFixedWindowFlags),
      uniform_(uniform ? std::move(uniform) : time_seeded_uniform()),
      ask_file_name_(&MetafileSaveDialog::ask)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TRESSIK"));
    build_controls();
    build_menus();
    // A fixed frame: the window cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The window keeps its active control while another window is active.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && centralWidget()->isAncestorOf(now))
            active_ = now;
    });
    Form_Load();
}

Form1::~Form1()
{
    // Focus moves while the windows go away; the tracker must not see a half-destroyed form.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // The other windows are top-level windows of their own. By now the program is over (or a
    // test is done): whatever the event loop did not get round to deleting goes with us.
    delete canvas_.data();
    delete adjust_.data();
    delete help_.data();
    delete about_.data();
}

QWidget* Form1::active_control() const
{
    // The window's focus widget survives the window losing activation, which is exactly
    // the active control; focus changes are not reported while the window is inactive.
    if (QWidget* focused = focusWidget(); focused && centralWidget()->isAncestorOf(focused))
        return focused;
    return active_;
}

void Form1::build_controls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips_size(1560, 5145));
    setCentralWidget(client);

    Label1 = make_label(client, "Label1", QStringLiteral("subdivs"), twips_rect(120, 120, 615, 255));
    Text1 = make_box(client, "Text1", "20", twips_rect(840, 120, 495, 285));
    Label2 = make_label(client, "Label2", QStringLiteral("copies"), twips_rect(240, 480, 495, 255));
    Text3 = make_box(client, "Text3", "5", twips_rect(840, 480, 495, 285));
    // Screen readers announce the boxes by the words of their labels.
    Text1->setAccessibleName(Label1->text());
    Text3->setAccessibleName(Label2->text());
    Command1 = make_button(client, "Command1", "clear canvas", twips_rect(120, 840, 1215, 255));
    Command2 = make_button(client, "Command2", "complete loop", twips_rect(120, 1200, 1215, 255));
    Command3 = make_button(client, "Command3", "kaliedoscope", twips_rect(120, 1560, 1215, 255));
    Command4 = make_button(client, "Command4", "randomize", twips_rect(240, 4440, 975, 255));
    Command5 = make_button(client, "Command5", "primary", twips_rect(240, 4800, 975, 255));

    // Each digit stands left of the chip with the same number; the chips are drawn over them.
    for (int i = 0; i < 8; ++i) {
        const int column = i % 2, row = i / 2;
        const int chip_left = column == 0 ? 360 : 1080, label_left = column == 0 ? 120 : 840;
        const int top = 2040 + 600 * row;
        const int label_index = column * 4 + row;
        Label3[label_index] = make_label(client, "Label3", QString::number(i),
                                         twips_rect(label_left, top + 120, 255, 255));
        const QByteArray name = "chip" + QByteArray::number(i);
        chip[i] = placed(new ColourChip(client), name.constData(), twips_rect(chip_left, top, 375, 375));
        chip[i]->set_colour(rgb(255, 255, 255));
        chip[i]->setAccessibleName(QStringLiteral("colour %1").arg(i));
        connect(chip[i], &ColourChip::clicked, this, [this, i] { chip_Click(i); });
    }
    for (QLabel* label : Label3)
        label->lower();

    QWidget* order[] = {Command1, Command2, Text1, Command3, Text3, Command4, Command5,
                        chip[0],  chip[1],  chip[2], chip[3],  chip[4], chip[5],  chip[6], chip[7]};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Command1->setFocus();
    active_ = Command1;

    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::build_menus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSaveas = mnuFile->addAction(QStringLiteral("save as   .wmf"));
    mnuSaveas->setObjectName(QStringLiteral("mnuSaveas"));
    mnuExit = mnuFile->addAction(QStringLiteral("exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuTressikhelp = mnuHelp->addAction(QStringLiteral("Tressik help"));
    mnuTressikhelp->setObjectName(QStringLiteral("mnuTressikhelp"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("about Tressik"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    connect(mnuSaveas, &QAction::triggered, this, &Form1::mnuSaveas_Click);
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
    connect(mnuTressikhelp, &QAction::triggered, this, &Form1::mnuTressikhelp_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::Form_Load()
{
    mnuSaveas->setEnabled(false);
    state_.subdivs = 20;
    randomize_chips();
    show_canvas();
    canvas_->set_mapping(canvas::kStartupMapping);
    state_.reset();
}

canvas* Form1::show_canvas()
{
    if (!canvas_) {
        canvas_ = new canvas;
        canvas_->setAttribute(Qt::WA_DeleteOnClose);
        connect(canvas_, &canvas::mouseUp, this, &Form1::canvas_MouseUp);
    }
    canvas_->show();
    return canvas_;
}

Colour Form1::get_random_color() { return random_dark_colour(uniform_); }

std::array<Colour, 8> Form1::chip_colours() const
{
    std::array<Colour, 8> colours{};
    for (int i = 0; i < 8; ++i)
        colours[i] = chip[i]->colour();
    return colours;
}

void Form1::load_palette() { state_.load_palette(chip_colours()); }

void Form1::randomize_chips()
{
    for (ColourChip* c : chip)
        c->set_colour(get_random_color());
    load_palette();
}

void Form1::Text1_Change()
{
    // A text with no 16-bit value (empty while retyping, a word, 40000) keeps subdivs.
    if (const auto value = text_to_int16(Text1->text().toStdString()))
        state_.subdivs = *value;
}

void Form1::Command1_Click()
{
    mnuSaveas->setEnabled(false);
    if (canvas_)
        canvas_->clear();
    state_.reset();
}

void Form1::Command2_Click()
{
    NullSink nowhere;
    DrawingSink& sink = canvas_ ? static_cast<DrawingSink&>(*canvas_) : nowhere;
    if (const auto limit = close_loop(state_, sink))
        report_limit(*limit);
}

void Form1::Command3_Click()
{
    load_palette();
    state_.kaleidoscope_on = true;
    QPointer<canvas> target = show_canvas();
    const auto copies = text_to_int16(Text3->text().toStdString());
    if (!copies) {
        report_limit(Limit::BadCopies);
        return;
    }
    ReplayResult result;
    {
        LongTask task(this, QStringLiteral("Drawing the kaleidoscope..."), progress_delay_ms_);
        // Events run while the progress dialog is up; stop if the canvas goes away meanwhile.
        result = draw_kaleidoscope(state_, *copies, *target, [&](int done, int total) {
            return task.step(done, total) && target && !closing_;
        });
    }
    if (result.limit)
        report_limit(*result.limit);
}

void Form1::Command4_Click() { randomize_chips(); }

void Form1::Command5_Click()
{
    for (int i = 0; i < 8; ++i)
        chip[i]->set_colour(kPrimaryColours[i]);
    load_palette();
}

void Form1::chip_Click(int index)
{
    if (index < 0 || index >= 8)
        return;
    chip[index]->setFocus();
    active_ = chip[index];
    open_color_adjust(chip[index]->colour());
    chip[index]->set_border_style(1);
}

void Form1::open_color_adjust(Colour colour)
{
    if (!is_valid_colour(colour))
        return;
    if (!adjust_) {
        adjust_ = new adjust;
        // Both run nested inside the dialog's handlers, so every step reaches the chip in turn.
        connect(adjust_, &adjust::colourChanged, this, &Form1::colour_adjusted);
        connect(adjust_, &adjust::cancelled, this, &Form1::colour_adjust_cancelled);
    }
    state_.saved_color = colour;
    adjust_->show_colour(colour);
    for (ColourChip* c : chip)
        c->set_border_style(0);
}

void Form1::colour_adjusted(Colour colour)
{
    set_back_color(active_control(), colour);
    load_palette();
}

void Form1::colour_adjust_cancelled() { set_back_color(active_control(), state_.saved_color); }

void Form1::mnuSaveas_Click()
{
    const QString name = ask_file_name_(this, QStringLiteral("meta files (*.wmf);;all files (*.*)"),
                                        meta_file_name_);
    if (name.isEmpty())
        return; // cancelled: nothing is written
    meta_file_name_ = name;
    save_metafile();
}

void Form1::save_metafile()
{
    AtomicFileOutput out(QFile::encodeName(meta_file_name_).toStdString());
    const SaveResult result = ::save_metafile(out, [this](Output& file) { return draw_metafile(file); });
    if (result.exported.limit) {
        report_limit(*result.exported.limit, QString::fromStdString(limit_consequence(result)));
        return;
    }
    if (!result.saved()) {
        const std::string message = save_failure_message(result, meta_file_name_.toStdString());
        if (!message.empty())
            report_save_failure(QString::fromStdString(message));
        return;
    }
    if (result.exported.clipped + result.exported.left_out > 0)
        report_clipped(result.exported.clipped, result.exported.left_out);
}

ExportResult Form1::draw_metafile(Output& out)
{
    load_palette();
    // The copies box is read on every save, even when only the figure itself is written.
    const auto copies = text_to_int16(Text3->text().toStdString());
    if (!copies) {
        ExportResult result;
        result.limit = Limit::BadCopies;
        return result;
    }
    LongTask task(this, QStringLiteral("Saving the metafile..."), progress_delay_ms_);
    return write_metafile(state_, state_.kaleidoscope_on ? *copies : 1, out,
                          [this, &task](int done, int total) {
                              return task.step(done, total) && !closing_;
                          });
}

void Form1::mnuExit_Click()
{
    Form_Unload();
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload()
{
    // Work still running (a session logout can close us past the progress dialog) stops.
    closing_ = true;
    if (canvas_)
        canvas_->close();
    if (adjust_)
        adjust_->close();
    // A message about the figure means nothing once the tool window is gone.
    if (message_)
        message_->close();
}

void Form1::mnuTressikhelp_Click()
{
    if (!help_)
        help_ = new tressikhelp;
    help_->show();
    help_->raise();
}

void Form1::mnuAbout_Click()
{
    if (!about_)
        about_ = new about1;
    about_->show();
    about_->raise();
}

void Form1::canvas_MouseUp(int /*button*/, int /*shift*/, float x, float y)
{
    if (!canvas_)
        return;
    const EntryResult result = enter_point(state_, *canvas_, x, y);
    if (result.enable_save)
        mnuSaveas->setEnabled(true);
    if (result.limit)
        report_limit(*result.limit);
}

void Form1::report_limit(Limit limit, const QString& consequence)
{
    QString text = QString::fromUtf8(describe(limit));
    if (!consequence.isEmpty())
        text += QLatin1Char('\n') + consequence;
    tell(QStringLiteral("Tressik"), text, QStringLiteral("limitMessage"));
}

void Form1::report_save_failure(const QString& message)
{
    tell(QStringLiteral("Tressik"), message, QStringLiteral("saveFailedMessage"));
}

void Form1::report_clipped(qint64 clipped, qint64 left_out)
{
    tell(QStringLiteral("Tressik"),
         QStringLiteral("The file was saved. %1 of its strings reached beyond the range a metafile "
                        "can hold (-16383 to 16383 on either axis): %2 cut at its edge, %3 left out.")
             .arg(clipped + left_out)
             .arg(clipped)
             .arg(left_out),
         QStringLiteral("stringsClippedMessage"));
}

// Every message of the program: one beep, one box.
void Form1::tell(const QString& title, const QString& text, const QString& name)
{
    QApplication::beep();
    // One message at a time, and never modal: the user keeps drawing while it is up.
    delete message_.data();
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    message_ = box;
}
