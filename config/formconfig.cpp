#include "formconfig.h"

#include "formmodmappa.h"
#include "gridfit.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include "controls/keycombobox.h"
#include "controls/numericedit.h"
#include "core/edition.h"
#include "core/iodata.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <optional>

TFormConfig* FormConfig = nullptr;

void RegisterFormConfig() {
    shell::RegisterConfigEditor([]() -> TConfigEditorWindow* {
        FormConfig = new TFormConfig;
        return FormConfig;
    });
}

namespace {

// Parameter ids the constructor binds; a missing index keeps the layout's.
struct Binding {
    const char* control;
    int dataCode;
    std::optional<int> dataIndex;
};

constexpr Binding kBindings[] = {
    {"ComboTipoLambda", 4, {}},
    {"EditRifLambda", 5, {}},
    {"EditRitardoLbd", 6, {}},
    {"EditSondaFredda", 7, {}},
    {"EditRifSupFredda", 8, {}},
    {"EditRifInfFredda", 9, {}},
    {"EditRifSupCalda", 10, {}},
    {"EditRifInfCalda", 11, {}},
    {"EditTempCambio", 15, {}},
    {"EditTempMotore", 117, {}},
    {"EditTempTaratura", 144, {}},
    {"EditGiriCambio", 528, {}},
    {"EditRitMin", 17, {}},
    {"EditSovrapposizione", 109, {}},
    {"EditCilindrata", 587, {}},
    {"ComboTps", 0x300001a, {}},
    {"ComboTpsSwitch", 0x230001a, {}},
    {"EditLivEmulAlto", 71, {}},
    {"EditLivEmulBasso", 72, {}},
    {"EditRitardoGiriEmulazione", 135, {}},
    {"EditSmagrRientroCutoff", 136, {}},
    {"EditNumeroIniettateSmagr", 137, {}},
    {"EditRitornoBenzina", 62, {}},
    {"EditSafetyTime", 122, {}},
    {"EditTInjBenzMaxPerCambio", 658, {}},
    {"EditTempoMassimaCorrente", 586, 0},
    {"EditTempoInterSpegnimento", 586, 1},
    {"EditImpedenzaIniettori", 118, {}},
    {"EditValPercHoldingCurrent", 119, {}},
    {"EditSafeDelay", 654, {}},
    {"EditCorrente", 56, {}},
    {"EditSogliaFS2", 640, {}},
    {"EditGiriKFiltro", 653, {}},
    {"EditGiriAutotaratura", 662, {}},
    {"EditScartoMinAlMin", 659, {}},
    {"EditDeltaK", 151, {}},
    {"EditNumControlli", 151, {}},
    {"EditNumControlliOk", 151, {}},
    {"EditTestWord", 530, {}},
    {"EditTestByte", 23, {}},
    {"EditTestTempo", 536, {}},
    {"EditTest0", 25, {}},
    {"EditTest1", 25, {}},
    {"EditTest2", 25, {}},
    {"EditTest3", 25, {}},
    {"EditTest4", 25, {}},
    {"EditTest5", 25, {}},
    {"EditTest6", 25, {}},
    {"EditTest7", 25, {}},
    {"EditTest8", 25, {}},
    {"EditTest9", 25, {}},
};

// Check boxes carry their bit field's id in their Tag.
constexpr std::pair<const char*, int> kTaggedIds[] = {
    {"CheckDriveByWire1", 0x150001a},
    {"CheckTpsBloc", 0x170001a},
};

// Colours by their class-library names.
const QColor clInfoBk(255, 255, 225);
const QColor clBlack(0, 0, 0);
const QColor clBlue(0, 0, 255);
const QColor clNavy(0, 0, 128);
const QColor clAqua(0, 255, 255);
const QColor clLime(0, 255, 0);
const QColor clWindow(255, 255, 255);
const QColor clSilver(192, 192, 192);
const QColor clRed(255, 0, 0);
const QColor clYellow(255, 255, 0);
const QColor cl3DLight(227, 227, 227);

constexpr char kModern[] = "Modern";
// Room beside a caption in its cell: the grid line and a few pixels.
constexpr int kCaptionMargin = 8;

// One line of the colour scheme: a background, a text colour and a font
// family, each left as it is when empty.
struct Colouring {
    const char* control;
    std::optional<QColor> colour;
    std::optional<QColor> font;
    const char* family;
};

const Colouring kColours[] = {
    {"PanelBarra", clInfoBk, clBlack, kModern},
    {"LabGiri", {}, clBlue, nullptr},
    {"LabApMot", {}, clBlue, nullptr},
    {"LabApMot2", {}, clBlue, nullptr},
    {"LabApMotBenz", {}, clBlue, nullptr},
    {"LabApMot2Benz", {}, clBlue, nullptr},
    {"LabTemp", {}, clBlue, nullptr},
    {"LabTempMot", {}, clBlue, nullptr},
    {"LabPressione", {}, clBlue, nullptr},
    {"LabLambda", {}, clBlue, nullptr},
    {"LabLambda2", {}, clBlue, nullptr},
    {"LabelLimite", clBlue, clInfoBk, kModern},
    {"LabelNota", {}, clNavy, nullptr},
    {"LabelNotaEmiss", {}, clNavy, nullptr},
    {"LabelBarDiff", {}, clNavy, kModern},
    {"LabelBarVDiff", {}, clNavy, kModern},
    {"LabelBar", {}, clNavy, kModern},
    {"LabelBarV", {}, clNavy, kModern},
    {"LabelProcGuidata", {}, clNavy, kModern},
    {"LabelInstr", {}, clNavy, kModern},
    {"PageControlK", {}, clNavy, kModern},
    // Parameters to change only with the ignition key off.
    {"ComboCarburante", clYellow, clNavy, nullptr},
    {"ComboTipoIniettore", clYellow, clNavy, nullptr},
    {"ComboSegnaleGiri", clYellow, clNavy, nullptr},
    {"ComboCilindri", clYellow, clNavy, nullptr},
    {"ComboAccensione", clYellow, clNavy, nullptr},
    {"ComboTipoLambda", clYellow, clNavy, nullptr},
    {"ComboSensore", clYellow, clNavy, nullptr},
    {"EditOffsetDiff", clYellow, clNavy, nullptr},
    {"EditPendenzaDiff", clYellow, clNavy, nullptr},
    {"EditOffset", clYellow, clNavy, nullptr},
    {"EditPendenza", clYellow, clNavy, nullptr},
    {"CheckTempMotore", clYellow, clNavy, nullptr},
    {"ComboTempRiduttore", clYellow, clNavy, nullptr},
    {"EditCorrente", clYellow, clNavy, nullptr},
    {"EditImpedenzaIniettori", clYellow, clNavy, nullptr},
};

// Grids: cell colour, fixed-cell colour; the fonts are navy throughout.
struct GridColouring {
    const char* grid;
    QColor colour;
    QColor fixedColour;
};

const GridColouring kGridColours[] = {
    {"DrawGridK", clAqua, clLime},           {"DrawGridOpenLoop", clAqua, clLime},
    {"DrawGridEmissioni", clWindow, clBlue}, {"DrawGridTemp", clWindow, clSilver},
    {"DrawGridTempRid", clWindow, clRed},    {"DrawGridTempMot", clWindow, clRed},
    {"DrawGridPressDiff", clWindow, clRed},
};

// Controls that move from the map page's sub-pages onto TabCorrezioni,
// each k x screen width / 800 pixels lower than designed.
struct Move {
    const char* control;
    int k;
};

constexpr Move kCorrectionMoves[] = {
    {"DrawGridTempRid", 10},
    {"LabelRiferimenti", 6},
    {"LabelGC", 10},
    {"LabelPM25", 10},
    {"DrawGridTempMot", 92},
    {"LabelRiferimentiMot", 88},
    {"LabelGCMot", 92},
    {"LabelPM25Mot", 92},
    {"DrawGridPressDiff", 176},
    {"LabelCorrezioniPressione", 172},
    {"LabelGiriKFiltro", 270},
    {"EditGiriKFiltro", 270},
    {"LabelRpmKFiltro", 270},
    {"LabelSogliaFS2", 270},
    {"EditSogliaFS2", 270},
    {"LabelMsFS2", 270},
    {"LabelKFiltro2", 270},
    {"LabelKFiltroFreddo", 270},
    {"EditKFiltroFreddo", 270},
    {"LabelKFiltroCaldo", 270},
    {"EditKFiltroCaldo", 270},
    {"CheckKFiltroTpsPremuto", 270},
    {"EditKFiltroTpsPremuto", 270},
    {"LabelTempoMortoBenz", 360},
    {"EditTempoMortoBenz", 360},
    {"LabelMsBenz", 360},
    {"LabelTempoMortoGas", 360},
    {"EditTempoMortoGas", 360},
    {"LabelMsGas", 360},
};

// Shown by SetupVisibleControls; hidden in the layout.
constexpr const char* kShownAtSetup[] = {
    "LabelCambio",
    "ComboCambio",
    "LabelRitardoCambio",
    "EditRitMin",
    "LabelS1",
    "LabelNumeroSonde",
    "ComboNumeroSonde",
    "CheckRitornoBenzina",
    "LabelRitornoBenzina",
    "EditRitornoBenzina",
    "LabelS12",
    "LabelTempoMortoGas",
    "EditTempoMortoGas",
    "LabelMsGas",
};

// Follow option bit 9 (change-over on the gas temperature).
constexpr const char* kChangeOverTemperature[] = {"LabelTempCambio", "EditTempCambio", "LabelT1"};

// Follow CheckTempMotore (the vehicle's own engine-temperature sensor).
constexpr const char* kEngineSensorControls[] = {
    "LabelParametriTemp",
    "LabelRPullUp",
    "EditRPullUp",
    "LabRPullUp",
    "LabelDeltaT",
    "EditDeltaT",
    "LabDeltaT",
    "LabelTMin",
    "EditTMin",
    "LabTMin",
    "LabelTMax",
    "EditTMax",
    "LabTMax",
    "LabelCaratteristicaTemp",
    "DrawGridTemp",
    "ButtonNuoviParametri",
};

void setColours(QWidget* w, const std::optional<QColor>& colour,
                const std::optional<QColor>& font) {
    QPalette p = w->palette();
    if (colour) {
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
            p.setColor(role, *colour);
        w->setAutoFillBackground(true);
    }
    if (font)
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(role, *font);
    w->setPalette(p);
}

void setFamily(QWidget* w, const char* family) {
    QFont f = w->font();
    f.setFamily(family);
    w->setFont(f);
}

int truncToInt(double v) {
    return static_cast<int>(v);
}

} // namespace

TFormConfig::TFormConfig(QWidget* owner)
    : TConfigEditorWindow(owner), ui_(new Ui::FormConfig),
      // The texts the editor keeps for its messages and unit labels.
      texts_({122, 123, 124, 125, 126, 127, 128, 236, 346, 179, 231, 230, 239, 240, 441,
              442, 443, 348, 320, 321, 322, 50,  53,  59,  44,  358, 359, 360, 361}) {
    shell::RegisterFontSubstitutes();
    ui_->setupUi(this);
    DesignCaption = windowTitle();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(170);
    applyDesignVisibility();

    // 1. Laid out for a screen 800 pixels wide.
    LastScreenWidth = 800;
    shell::ScaleByScreenWidth(this, screenWidth());
    // 2. Positions the live bar and the limit hint start from.
    LabApMotLeft = ui_->LabApMot->x();
    LabApMot2Left = ui_->LabApMot2->x();
    LimitHintDistance = ui_->LabelLimite->x() - ui_->EditGiriCambio->x();
    // 4. The cell dialog every grid uses; the grids stop the timer while
    // a dialog of theirs is open.
    FormModMappa = new TFormModMappa(this);
    for (TMapGrid* grid : findChildren<TMapGrid*>())
        grid->SetTimer(Timer1);
    // 5. Parameter ids.
    bindParameters();
    // 6. The correction tables share one page.
    moveCorrectionsToTheirPage();
    // 7.
    applyColours();
    ui_->PageControl->SetActivePage(ui_->TabCambio);
    ui_->PageControlK->SetActivePage(ui_->TabKOpenLoop);
    ui_->PageControl->SetTabDrawer(
        [this](QPainter& painter, int tab, int visibleIndex, const QRect& rect, bool active) {
            PageControlDrawTab(painter, tab, visibleIndex, rect, active);
        });
    connect(ui_->MenuEsci, &QAction::triggered, this, &TFormConfig::MenuEsciClick);
    connectSensorHandlers();
    SetupMapClipboard();
    connect(ui_->ButtonRicercaParametri, &QPushButton::clicked, this,
            &TFormConfig::ButtonRicercaParametriClick);
    connect(ui_->MenuComunicazioneSerialeCostruita, &QAction::triggered, this,
            &TFormConfig::MenuComunicazioneSerialeCostruitaClick);
    connect(ui_->PageControl, &QTabWidget::currentChanged, this,
            [this](int index) { ShowPage(ui_->PageControl->widget(index)); });
    connectPages();

    // Maximised, also where the window system would not do it; fixed in
    // size once shown (FormConstrainedResize).
    setGeometry(screen()->availableGeometry());
    setWindowState(Qt::WindowMaximized);
}

TFormConfig::~TFormConfig() {
    if (FormConfig == this)
        FormConfig = nullptr;
    if (FormModMappa && FormModMappa->parent() == this)
        FormModMappa = nullptr;
}

int TFormConfig::screenWidth() const {
    return shell::LayoutScreenWidth();
}

std::string TFormConfig::Text(int n) const {
    return texts_.Text(n);
}

// The layout's tab visibility and MenuTest's visibility are kept as
// properties, which Designer's format has no place for.
void TFormConfig::applyDesignVisibility() {
    for (TPageControl* pages : {ui_->PageControl, ui_->PageControlK})
        for (int i = 0; i < pages->count(); ++i)
            pages->setTabVisible(i, pages->widget(i)->property("TabVisible").toBool());
    ui_->MenuTest->menuAction()->setVisible(ui_->MenuTest->property("Visible").toBool());
}

void TFormConfig::bindParameters() {
    for (const Binding& b : kBindings) {
        auto* control = dynamic_cast<TBoundControl*>(findChild<QWidget*>(b.control));
        if (!control)
            continue;
        control->SetDataCode(b.dataCode);
        if (b.dataIndex)
            control->SetDataIndex(*b.dataIndex);
    }
    for (auto [name, id] : kTaggedIds)
        if (QWidget* w = findChild<QWidget*>(name))
            w->setProperty("Tag", id);
}

void TFormConfig::moveCorrectionsToTheirPage() {
    const int width = screenWidth();
    for (const Move& m : kCorrectionMoves) {
        QWidget* w = findChild<QWidget*>(m.control);
        if (!w)
            continue;
        const QPoint at = w->pos() + QPoint(0, m.k * width / 800);
        const bool hidden = w->isHidden();
        w->setParent(ui_->TabCorrezioni);
        w->move(at);
        w->setVisible(!hidden);
    }
}

void TFormConfig::applyColours() {
    QPalette form = palette();
    form.setColor(QPalette::Window, cl3DLight);
    form.setColor(QPalette::WindowText, clNavy);
    setPalette(form);
    setAutoFillBackground(true);

    QFont pagesFont = ui_->PageControl->font();
    pagesFont.setFamily(kModern);
    pagesFont.setPointSize(std::max(1, screenWidth() * 10 / 800));
    ui_->PageControl->setFont(pagesFont);
    setColours(ui_->PageControl, {}, clNavy);
    for (int i = 0; i < ui_->PageControl->count(); ++i) {
        QWidget* page = ui_->PageControl->widget(i);
        setFamily(page, kModern);
        setColours(page, {}, clNavy);
    }
    for (const Colouring& c : kColours) {
        QWidget* w = findChild<QWidget*>(c.control);
        if (!w)
            continue;
        setColours(w, c.colour, c.font);
        if (c.family)
            setFamily(w, c.family);
    }
    for (const GridColouring& g : kGridColours) {
        auto* grid = findChild<TMapGrid*>(g.grid);
        if (!grid)
            continue;
        QPalette p = grid->palette();
        p.setColor(QPalette::Base, g.colour);
        p.setColor(QPalette::Button, g.fixedColour);
        p.setColor(QPalette::Text, clNavy);
        p.setColor(QPalette::ButtonText, clNavy);
        grid->setPalette(p);
    }
}

void TFormConfig::SetupVisibleControls() {
    ui_->ComboCarburante->move(ui_->EditCilindrata->x(), ui_->ComboCarburante->y());
    for (const char* name : kShownAtSetup)
        if (QWidget* w = findChild<QWidget*>(name))
            w->show();
    ui_->PageControl->SetTabVisible(ui_->TabEmissioni, true);
    ui_->PageControl->SetTabVisible(ui_->TabKCoefficienti, true);
    ui_->EditTempCambio->SetLimit(2, -40);
    ui_->EditTempCambio->SetLimit(1, 120);
    FormResize();
}

void TFormConfig::FormShow() {
    FillCylinderList();
    LiveBarLayout();
    ShowPage(ui_->PageControl->ActivePage());
    // The boxes show the image; setting them writes nothing to the unit.
    ui_->RadioMapInterno->setChecked(StreamDati->GetFlag(12));
    ui_->RadioMapEsterno->setChecked(!StreamDati->GetFlag(12));
    ui_->CheckTempAcqua->setChecked(StreamDati->GetFlag(8));
    ui_->CheckTempRiduttore->setChecked(StreamDati->GetFlag(9));
    ui_->CheckTempMotore->setChecked(StreamDati->GetFlag(10));
    ui_->ComboTempRiduttore->setCurrentIndex(StreamDati->GetTipoSensoreTemperaturaGas());
    ui_->MenuControlloIniettori->setChecked(StreamDati->GetFlag(15));
    ShowChangeOverTemperature();
    ShowEngineSensorControls();
    BuildMapBoundaries();
    BuildEmulationBoundaries();
    BuildPressureBoundaries();
    SetupVisibleControls();
    // After the grids took their shape and size.
    ShowLivePositions();
    Timer1->start();
    shell::SetScreenCursor(shell::ScreenCursor::Default);
}

void TFormConfig::ShowChangeOverTemperature() {
    const bool on = StreamDati->GetFlag(9);
    for (const char* name : kChangeOverTemperature)
        if (QWidget* w = findChild<QWidget*>(name))
            w->setVisible(on);
}

void TFormConfig::ShowEngineSensorControls() {
    const bool on = ui_->CheckTempMotore->isChecked();
    for (const char* name : kEngineSensorControls)
        if (QWidget* w = findChild<QWidget*>(name))
            w->setVisible(on);
}

// "F" and the tab's place among the visible ones before its caption, red
// behind the page shown.
void TFormConfig::PageControlDrawTab(QPainter& painter, int tab, int visibleIndex,
                                     const QRect& rect, bool active) {
    QFont font = ui_->PageControl->font();
    font.setFamily(kModern);
    font.setPointSize(std::max(1, screenWidth() * 10 / 800));
    painter.setFont(font);
    painter.fillRect(rect, active ? clRed : clInfoBk);
    painter.setPen(active ? clBlack : clNavy);
    const QString text =
        QString("F%1 %2").arg(visibleIndex + 1).arg(ui_->PageControl->tabText(tab));
    const QFontMetrics metrics(font);
    const int x = rect.left() + (rect.width() - metrics.horizontalAdvance(text)) / 2;
    const int y = rect.top() + (rect.height() - metrics.height()) / 2;
    painter.drawText(x, y + metrics.ascent(), text);
}

void TFormConfig::MenuEsciClick() {
    close();
}

void TFormConfig::FormClose() {
    Timer1->stop();
}

void TFormConfig::ShowPage(QWidget* page) {
    auto it = pageShow_.find(page);
    if (it != pageShow_.end() && it->second)
        it->second();
}

void TFormConfig::SetPageShowHandler(QWidget* page, std::function<void()> handler) {
    pageShow_[page] = std::move(handler);
}

void TFormConfig::showEvent(QShowEvent* e) {
    TConfigEditorWindow::showEvent(e);
    // Maximised by hand where the window system does not: the frame on the
    // screen's edges.
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    setGeometry(screen()->availableGeometry().marginsRemoved(
        QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                 frame.right() - inner.right(), frame.bottom() - inner.bottom())));
    FormConstrainedResize();
    FormShow();
}

// The size the window system gave the maximised window is the only one.
void TFormConfig::FormConstrainedResize() {
    setMinimumSize(size());
    setMaximumSize(size());
}

void TFormConfig::done(int result) {
    FormClose();
    TConfigEditorWindow::done(result);
}

void TFormConfig::resizeEvent(QResizeEvent* e) {
    TConfigEditorWindow::resizeEvent(e);
    if (isVisible())
        FormConstrainedResize();
    layOut();
    FormResize();
}

// The menu on top, the live bar at the bottom, the pages in between.
void TFormConfig::layOut() {
    const int menu = ui_->MainMenu1->sizeHint().height();
    ui_->MainMenu1->setGeometry(0, 0, width(), menu);
    const int bar = ui_->PanelBarra->height();
    ui_->PanelBarra->setGeometry(0, height() - bar, width(), bar);
    ui_->PageControl->setGeometry(0, menu, width(), std::max(0, height() - menu - bar));
}

void TFormConfig::FormResize() {
    TPageControl* pages = ui_->PageControl;
    // The tabs sit on the left: their length shares the strip.
    pages->SetTabWidth(pages->height() / std::max(5, pages->VisibleTabCount()) - 1);
    if (screenWidth() != LastScreenWidth) {
        pages->SetTabHeight(screenWidth() * pages->TabHeight() / LastScreenWidth);
        LastScreenWidth = screenWidth();
    }
    fitGrids();
}

void TFormConfig::fitGrids() {
    // Every page fills the same rectangle, also those not shown yet.
    const QSize page = ui_->PageControl->PageRect().size();
    for (int i = 0; i < ui_->PageControl->count(); ++i)
        ui_->PageControl->widget(i)->resize(page);
    const int w = page.width();
    const int h = page.height();
    auto place = [](QWidget* grid, double left, int top) { grid->move(truncToInt(left), top); };
    auto centre = [w](QWidget* grid) { return (w - grid->width()) / 2.0; };
    // Fits a grid of its present shape into an outer size.
    auto fit = [](TMapGrid* grid, int width, int height, int firstColumn = 0) {
        const int frame = 2 * grid->frameWidth();
        ApplyGridFit(
            *grid,
            FitGrid(width - frame, height - frame, grid->RowCount(), grid->ColCount(), firstColumn),
            firstColumn);
    };
    // The map's geometry, the sensor's points, the layout's shapes.
    for (TMapGrid* grid : findChildren<TMapGrid*>())
        grid->ShapeFromImage();

    // Emulation table: the first column 150 pixels, wider where its font,
    // which grows with the screen, would cut a row's caption.
    TMapGrid* emi = ui_->DrawGridEmissioni;
    const int captions = std::max(150, emi->ColumnTextWidth(0) + kCaptionMargin);
    fit(emi, truncToInt(w * 0.98), emi->height(), captions);
    place(emi, centre(emi), emi->y());

    // The map above the strip of the open-loop row, whose columns it shares.
    TPageControl* strip = ui_->PageControlK;
    const int room = std::max(0, h - strip->height());
    TMapGrid* map = ui_->DrawGridK;
    fit(map, truncToInt(w * 0.95), truncToInt(room * 0.85));
    place(map, centre(map), truncToInt(room * 0.02));
    strip->setGeometry(0, room, w, strip->height());
    TMapGrid* openLoop = ui_->DrawGridOpenLoop;
    fit(openLoop, truncToInt(w * 0.95), openLoop->height());
    place(openLoop, map->x() - strip->x(), openLoop->y());

    // Correction tables, on the page they were moved to; kept inside it,
    // which the widest would overrun by its left margin.
    const int left = truncToInt(w * 0.016);
    for (auto [grid, width] :
         {std::pair{ui_->DrawGridTempRid, 0.87}, std::pair{ui_->DrawGridTempMot, 0.87},
          std::pair{ui_->DrawGridPressDiff, 0.997}}) {
        fit(grid, std::min(truncToInt(w * width), w - left), grid->height());
        place(grid, left, grid->y());
    }

    // Sensor characteristic: only its four column widths follow the page.
    TMapGrid* temp = ui_->DrawGridTemp;
    const TGridFit columnsOnly =
        FitGrid(truncToInt(w * 0.675), temp->height(), 1, temp->ColCount());
    temp->horizontalHeader()->setDefaultSectionSize(columnsOnly.columnWidth + 1);
    // Its points scroll: the bar takes room beside the columns, not from them.
    temp->resize(columnsOnly.clientWidth + 2 * temp->frameWidth() +
                     temp->verticalScrollBar()->sizeHint().width(),
                 temp->height());
    place(temp, w * 0.09, temp->y());

    QWidget* button = ui_->ButtonModificaRifTar;
    const int buttonTop = truncToInt(room * 0.9);
    button->move(truncToInt(centre(button)), buttonTop);
    for (QWidget* beside : std::initializer_list<QWidget*>{ui_->ButtonTaratura, ui_->StaticTaratura,
                                                           ui_->ButtonCommutatore})
        beside->move(beside->x(), buttonTop);
    ui_->LabelInstr->move(truncToInt(w * 0.81), ui_->LabelInstr->y());
}
