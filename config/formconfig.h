#pragma once
// The vehicle configuration editor: one maximised window whose pages hold
// every parameter of the unit, the map and table grids and, below them, a
// bar of live values. Made once at start-up and shown many times.
#include "configeditor.h"
#include "language.h"
#include "livestate.h"

#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormConfig;
}
class QPainter;
class QRect;
class QTimer;
class TKitChange;
class TNumericEdit;
class TPageControl;
struct TWriteResult;

class TFormConfig : public TConfigEditorWindow {
    Q_OBJECT

public:
    explicit TFormConfig(QWidget* owner = nullptr);
    ~TFormConfig() override;

    Ui::FormConfig* ui() const { return ui_.get(); }
    // The live-value timer, 170 ms; runs while the window is shown.
    QTimer* Timer1 = nullptr;

    void SetupVisibleControls();
    void FormShow();
    void FormClose();
    void FormResize();
    void FormConstrainedResize();
    // Esc: closes the window.
    void MenuEsciClick();
    void PageControlDrawTab(QPainter& painter, int tab, int visibleIndex, const QRect& rect,
                            bool active);
    void LoadCaptions() override;

    // A message or unit text of the current language, by its string number.
    std::string Text(int n) const;
    // Filled only by the pressure-sensor search.
    std::string PressureSearchText;

    // The screen width the window was last laid out for.
    int LastScreenWidth = 800;
    // Saved at construction for the live bar and the limit hint.
    int LabApMotLeft = 0;
    int LabApMot2Left = 0;
    int LimitHintDistance = 0;
    // Grid row of the temperature-sensor point being learnt (1-based).
    int SensorRow = 1;

    // Runs the show handler of page, if it has one; every page that becomes
    // the shown one runs its handler.
    void ShowPage(QWidget* page);
    void SetPageShowHandler(QWidget* page, std::function<void()> handler);

    // The change-over temperature follows option bit 9, the engine-sensor
    // controls follow CheckTempMotore: the visibility half of the two check
    // boxes' handlers, for when the boxes are set from code.
    void ShowChangeOverTemperature();
    void ShowEngineSensorControls();

    // The cylinder counts the unit's model offers, as list items.
    void FillCylinderList();

    // --- Page keys, the running-work guard and leaving (formconfig_keys.cpp)
    // True when the key was consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // False refuses the change of page the user asked for.
    bool PageControlChanging();
    // False refuses closing.
    bool FormCloseQuery();
    void TabEsciShow();

    // --- Live values (formconfig_live.cpp)
    void Timer1Timer();
    // The second bank's labels shown or hidden, the bank-1 values placed.
    void LiveBarLayout();
    void BuildMapBoundaries();
    void BuildEmulationBoundaries();
    void BuildPressureBoundaries();
    // Map cursor, live columns and the correction zone from the last values,
    // whatever page is shown.
    void ShowLivePositions();
    TLiveState Live;

    // --- Page handlers (formconfig_pages.cpp)
    void TabCambioShow();
    void TabLambdaShow();
    void TabTpsShow();
    void TabEmissioniShow();
    void TabSensoreShow();
    void TabPressioneShow();
    void TabKCoefficientiShow();
    void TabKTempiShow();
    void TabCorrezioniShow();
    void TabIniezioneShow();
    void TabTaraturaShow();
    void TabAutoTarShow();
    void EditRifLambdaKeyPress(QObject* sender, char& key);
    void ComboTipoLambdaKeyPress(QObject* sender, char& key);
    void EditGiriCambioEnter(QObject* sender);
    void EditGiriCambioExit(QObject* sender);
    void ButtonAccettaClick();
    void ButtonTaraturaClick();
    void ButtonCommutatoreClick();
    void ButtonModificaRifTarClick();
    void EditCorrCarbMinimoMKeyPress(QObject* sender, char& key);
    void MenuDiagnosiProgClick();
    void MenuSbloccaLimitiClick();

    // The latest raw engine-temperature reading.
    int LiveSensorRaw = 0;
    // The engine-sensor characteristic is being edited (learning points).
    bool SensorEditMode = false;
    // The remembered fuel item and injector type of the change-over page.
    int RememberedFuel = 0;
    int RememberedInjectorType = 0;

    // --- Temperature page, kit changes, test page and small handlers
    // (formconfig_sensors.cpp)
    void TabTempShow();
    void ShowSensorParameters();
    // The sensor grid with the live reading on its row while editing.
    void RepaintSensorGrid();
    void ButtonNuoviParametriClick();
    void EditRPullUpEnter(QObject* sender);
    void EditRPullUpExit(QObject* sender);
    void CheckTempAcquaClick();
    void CheckTempRiduttoreClick();
    void CheckTempMotoreClick();
    void ComboTempRiduttoreKeyPress(QObject* sender, char& key);
    void DrawGridTempKeyPress(char key);
    void DrawGridTempDblClick(int col, int row);
    void DrawGridTempEnter();
    void DrawGridTempExit();
    void ComboCarburanteKeyPress(QObject* sender, char& key);
    void ComboTipoIniettoreKeyPress(QObject* sender, char& key);
    void EditTipoIniettoreKeyPress(QObject* sender, char& key);
    void ComboAccensioneKeyPress(QObject* sender, char& key);
    void ComboCilindriKeyPress(QObject* sender, char& key);
    void ButtonResetClick();
    void TabTestShow();
    void MenuControlloIniettoriClick();
    void TabKVarieShow();
    void CheckInibisciEmulazioneClick();
    void CheckKFiltroTpsPremutoClick();
    void EditCorrIntInfKeyPress(QObject* sender, char& key);
    void EditKFiltroFreddoKeyPress(QObject* sender, char& key);
    void EditTInjKeyPress(QObject* sender, char& key);
    void EditScartoMinFuoriMinKeyPress(QObject* sender, char& key);

    // The map's pop-up menu: its block to and from the clipboard as text.
    void MenuCopiaTaraturaClick();
    void MenuIncollaTaraturaClick();
    void PopupMenuGridPopup();
    // The external MAP sensor's words from two operating points, read live.
    void ButtonRicercaParametriClick();
    // The external MAP sensor's words, signed, also beyond the fields' limits.
    void ShowMapSensorWords();
    // Hands the link's port to the serial message tool while it runs.
    void MenuComunicazioneSerialeCostruitaClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void done(int result) override;

private:
    void bindParameters();
    void applyColours();
    void moveCorrectionsToTheirPage();
    void applyDesignVisibility();
    void layOut();
    void fitGrids();
    void SetupMapClipboard();
    void ResetLiveBarForSearch();
    TWriteResult StoreMapSensorWords(int32_t offset, int32_t slope);
    int screenWidth() const;
    void connectSensorHandlers();
    // Wiring of the page handlers, the keys and the timer.
    void connectPages();
    void connectPageHandlers();
    // The running-work guard: true lets the action go on.
    bool RunningWorkGuard();
    void readLive();
    void showLive();
    void showLambdaDefaults();
    void showPageCursors();
    void showMapCursor(bool force);
    void showCorrectionZone(bool force);
    void showLiveColumns(bool force);
    // Page Cambio: the change-over speed follows the change-over mode.
    void ShowChangeOverSpeed();
    void ShowLevelReferences();
    void CheckRitornoBenzinaClick();
    void ShowPressureVisibility();
    void ShowPressureCombos();
    void ShowCurrentMode();
    void ShowCalibrationState();
    void ShowTpsSwitch();
    std::string caption() const;
    // The eight carburation-correction edits, by Tag (band x 2 + column).
    std::array<TNumericEdit*, 8> ZoneEdits() const;
    bool filling_ = false;
    int32_t savedReturnTime_ = 0;
    TNumericEdit* sensorEdit(int tag) const;
    void ShowLimitHint(TNumericEdit* edit);
    void NextSensorRow();
    void EditSensorPoint(int column);
    TKitChange kitChange();
    void ShowIgnition();
    std::vector<TNumericEdit*> testTable() const;
    std::vector<TNumericEdit*> filterEdits() const;
    std::vector<TNumericEdit*> defaultTimeEdits() const;

    std::unique_ptr<Ui::FormConfig> ui_;
    TLanguageTexts texts_;
    std::map<QWidget*, std::function<void()>> pageShow_;
};

extern TFormConfig* FormConfig;

// The caption a control shows: its text, title, or its page's tab text.
QString CaptionOf(QObject* control);

// Lets start-up make the editor into FormConfig after the main window.
void RegisterFormConfig();
