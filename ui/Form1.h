#pragma once

#include "colour/adjust.h"
#include "core/Colour.h"
#include "core/Limit.h"
#include "core/Module1.h"
#include "canvas/canvas.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class ColourChip;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class Output;
class QPushButton;
struct ExportResult;

// The tool window "TRESSIK": the start-up window and the only control panel. It owns the
// drawing state; its handlers read the controls, call the drawing logic, and report.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // `uniform` is the random source for the chips, numbers in [0, 1); by default a generator
    // seeded from the time of day.
    explicit Form1(std::function<double()> uniform = {}, QWidget* parent = nullptr);
    ~Form1() override;

    Module1& state() { return state_; }
    const Module1& state() const { return state_; }

    // The canvas window while it is open, else null.
    canvas* canvas_window() const { return canvas_; }
    adjust* adjust_window() const { return adjust_; }
    tressikhelp* help_window() const { return help_; }
    about1* about_window() const { return about_; }

    // The control of this window that holds the focus, or held it last while another
    // window is active.
    QWidget* active_control() const;

    Colour get_random_color();
    std::array<Colour, 8> chip_colours() const;

    // Asks for the metafile's name; returns the empty string on cancel. Replaceable for tests.
    using FileNameAsker = std::function<QString(QWidget* parent, const QString& filter,
                                                const QString& previous)>;
    void set_file_name_asker(FileNameAsker asker) { ask_file_name_ = std::move(asker); }
    // Work that runs longer than this shows a progress dialog.
    void set_progress_delay(int milliseconds) { progress_delay_ms_ = milliseconds; }
    QString meta_file_name() const { return meta_file_name_; }

    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text3;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    std::array<ColourChip*, 8> chip{};
    std::array<QLabel*, 8> Label3{};
    QMenu* mnuFile;
    QAction* mnuSaveas;
    QAction* mnuExit;
    QMenu* mnuHelp;
    QAction* mnuTressikhelp;
    QAction* mnuAbout;

    void Form_Load();
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void chip_Click(int index);
    void mnuSaveas_Click();
    void mnuExit_Click();
    void mnuTressikhelp_Click();
    void mnuAbout_Click();
    void canvas_MouseUp(int button, int shift, float x, float y);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    void build_menus();
    void Form_Unload();
    canvas* show_canvas();
    void load_palette();
    void randomize_chips();
    void open_color_adjust(Colour colour);
    void colour_adjusted(Colour colour);
    void colour_adjust_cancelled();
    void save_metafile();
    ExportResult draw_metafile(Output& out);
    void report_limit(Limit limit, const QString& consequence = {});
    void report_save_failure(const QString& reason);
    void report_clipped(qint64 clipped, qint64 left_out);
    void tell(const QString& title, const QString& text, const QString& name);

    Module1 state_;
    std::function<double()> uniform_;
    QPointer<canvas> canvas_;
    QPointer<adjust> adjust_;
    QPointer<tressikhelp> help_;
    QPointer<about1> about_;
    QPointer<QWidget> active_;
    QPointer<QWidget> message_;
    FileNameAsker ask_file_name_;
    QString meta_file_name_;
    int progress_delay_ms_ = 1000;
    bool closing_ = false;
};
