#pragma once
// The main window: a full-screen menu of large texts, the menu bar and
// action list, the status bar with the connection state and the language
// menus.
#include "language.h"
#include "platform/gui/modal.h"
#include "qttexts.h"

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ui {
class FormMain;
}
class QAction;
class QDialog;
class QLabel;
class QMenu;
class TFormSplash;
class TStatusPanels;
struct TRecoveryCopy;

class TFormMain : public QMainWindow {
public:
    // qtTexts: Qt's own texts, made to follow the window's language; none
    // leaves them as they are.
    explicit TFormMain(QWidget* parent = nullptr, TQtTexts* qtTexts = nullptr);
    ~TFormMain() override;

    // The working folder when the window was constructed.
    std::string ProgramFolder;
    // The visible menu labels in keyboard order, and the highlighted one.
    std::vector<QLabel*> MenuLabels;
    int CurrentLabel = 0;
    // Dialogs of the save and open actions, filled by PrepareSaveDialog.
    platform::FileDialogRequest SaveDialog;
    platform::FileDialogRequest OpenDialog;

    Ui::FormMain* ui() const { return ui_.get(); }
    QMenu* FormPopupMenu() const { return popupMenu_; }
    TStatusPanels* StatusPanels() const { return panels_; }

    void FormShow();
    void MenuLinguaClick(QAction* item);
    void LoadCaptions();
    void LabelConfigMouseEnter(QLabel* label);
    void LabelClick(QLabel* label);
    void FormKeyDown(int key);
    void StartupIdle();
    void MenuAboutClick();
    void FormClose();
    // The system's request to end: nobody is there to answer, so the window
    // closes without the save question.
    void EndOnRequest();
    void ActionEsciExecute();
    void WMDataChanged(intptr_t wParam, intptr_t lParam);
    void PrepareSaveDialog();
    bool IsEditionModel() const;
    void StatusBarMainDrawPanel(class QPainter& painter, int panel, const QRect& rect);

    // Actions of the action list.
    void ActionConfExecute();
    void ActionVisualizzaExecute();
    void ActionConnettiExecute();
    void ActionDisconnettiExecute();
    // True when the image was saved to a file.
    bool ActionSalvaExecute();
    void ActionSalvaConfExecute();
    void ActionApriConfExecute();
    void ActionResetDaPcExecute();
    // Programs the unit's firmware from the file of the firmware dialog and
    // writes the configuration back into it.
    void ActionProgrammaExecute();
    void ActionDiagnosiExecute();
    void ActionTaraExecute();
    // IDYES, IDNO or IDCANCEL; a Yes whose save did not happen gives IDCANCEL.
    int AskSaveModified();
    bool FormCloseQuery();

    // Runs an action as the window library does from code: only while it is
    // enabled. False when it did nothing.
    static bool ExecuteAction(QAction* action);
    // Whether menu items of the action are shown. Kept apart from Qt's own
    // visibility, which would also stop the action from running from code.
    static bool ActionVisible(const QAction* action);
    // Text n of the current language as loaded by LoadCaptions (empty until
    // loaded or when missing).
    std::string Text(int n) const;
    // String 41, a blank line, then strings 42 and 43 each after "- ".
    std::string NoConnectionText() const;
    // String 68, 69 and 70 on lines of their own.
    std::string RetryText() const;
    // The line an error message ends with: "\n(ERR.CODE: C01)".
    static std::string ErrorCode(const std::string& code);
    // The file version of the program, "not available" when it has none.
    static std::string FileVersion();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class TProgrammingRun;
    void setHighlight(int index, bool on);
    void layoutLabels();
    void centreLabels();
    void buildLanguageMenus();
    void linkMenuItems();
    void cleanTemporaryFolder();
    void setConnectionActions(bool connected);
    void installActions();
    void errorBox(const std::string& text);
    // A service window made for one modal use: its caption from string
    // captionId and the configuration name, then shown modally.
    void runServiceWindow(QDialog& window, int captionId);
    // Offers back the copies that writes into the connected unit left when
    // they did not end: declined, those the user did not want; notWritten,
    // what to tell when a copy was to go back and did not.
    enum class TCopyOffer { None, WrittenBack, NotWrittenBack, Declined };
    TCopyOffer offerRecoveryCopies(bool marked, std::vector<TRecoveryCopy>& declined,
                                   std::string& notWritten);
    bool writeBackCopy(const TRecoveryCopy& copy, std::string& notWritten);
    // declined: the user declined the copies offered; marked: the unit is
    // marked never configured; kept: the file that then holds what an
    // unmarked unit had. False when the unit was not written whole.
    bool setUpAsNew(bool declined, bool marked, std::optional<std::string>& kept);
    void tellSetUpAsNew(const std::vector<TRecoveryCopy>& declined,
                        const std::optional<std::string>& kept);
    // The unit's state flags; 0 when they cannot be read.
    static int32_t UnitState();
    // Tells every window that the link is open or closed (data-changed code
    // 1 or 0), and notices a link that was lost.
    void announceLink(bool open);
    void watchLink();
    std::string configPanelText() const;
    std::string fuelText() const;

    std::unique_ptr<Ui::FormMain> ui_;
    QMenu* popupMenu_ = nullptr;
    TStatusPanels* panels_ = nullptr;
    QPointer<TFormSplash> splash_;
    TLanguageTexts texts_;
    TQtTexts* qtTexts_ = nullptr;
    bool shown_ = false;
    bool endRequested_ = false;
    bool linkAnnounced_ = false;
};

extern TFormMain* FormMain;

// The program folder of the main window; the working folder without one.
std::string CurrentProgramFolder();
