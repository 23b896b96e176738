#pragma once

#include "core/Colour.h"
#include "core/Limit.h"
#include "core/Module1.h"
#include "ui/OwnedWindow.h"
#include "ui/SaveFlow.h"
#include "ui/UserMessages.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class ColourChip;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class about1;
class adjust;
class canvas;
class tressikhelp;

// What the tool window leaves to chance, to the user's choice of file and to the clock. The
// program takes the defaults; tests pass their own, once, when they make the window.
struct Form1Options {
    // The random source for the chips, numbers in [0, 1); null means a generator seeded from
    // the time of day.
    std::function<double()> uniform;
    // Asks for the saved file's name and type; null means the save dialog.
    SaveFlow::FileNameAsker ask_file_name;
    // Work that runs longer than this shows a progress dialog.
    int progress_delay_ms = 1000;
};

// The tool window "TRESSIK": the start-up window and the only control panel. It owns the
// drawing state and the program's other windows; its handlers read the controls, call the
// drawing logic, and report.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(Form1Options options = {});
    ~Form1() override;

    Colour get_random_color();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    void build_chips(QWidget* client);
    void set_focus_order();
    void build_menus();
    void Form_Load();
    void Form_Unload();
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

    canvas& show_canvas();
    QWidget* active_control() const;
    std::array<Colour, 8> chip_colours() const;
    void load_palette();
    void randomize_chips();
    void open_color_adjust(Colour colour);
    void colour_adjusted(Colour colour);
    void colour_adjust_cancelled();
    void save_metafile();
    ExportResult draw_metafile(Output& out);

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

    Module1 state_;
    std::function<double()> uniform_;
    int progress_delay_ms_;
    UserMessages messages_;
    SaveFlow save_;
    QPointer<QWidget> active_;
    bool closing_ = false;
    // The other windows, top-level windows of their own.
    OwnedWindow<canvas> canvas_;
    OwnedWindow<adjust> adjust_;
    OwnedWindow<tressikhelp> help_;
    OwnedWindow<about1> about_;
};
