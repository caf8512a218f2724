#include "formmain.h"

#include "configeditor.h"
#include "formscarica.h"
#include "language.h"
#include "smallwindows.h"
#include "startuptrace.h"
#include "statuspanels.h"
#include "ui_AboutBox.h"
#include "ui_FormMain.h"
#include "windowutil.h"

#include "core/edition.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/quarnglobaldata.h"
#include "core/serialecu.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/files.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <cmath>

TFormMain* FormMain = nullptr;

std::string CurrentProgramFolder() {
    return FormMain ? FormMain->ProgramFolder : platform::fromUnicode(QDir::currentPath());
}

namespace {

using shell::ScreenCursor;
using shell::SetScreenCursor;

struct StatusPanelLayout {
    int width;
    bool ownerDrawn;
    const char* text;
};

constexpr StatusPanelLayout kStatusPanels[] = {
    {220, true, "Centralina non connessa"},
    {300, true, "Configurazione:"},
    {210, false, ""},
    {50, false, ""},
};

constexpr int kTitleWidth = 792; // of the 800-pixel layout
const QColor kTeal(0, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kHighlight(0, 255, 0);
const QColor kPlain(255, 255, 255);
const QColor kNotConnected(255, 255, 0);

int truncToInt(double v) {
    return static_cast<int>(v);
}

TSerialEcuLink* link() {
    return StreamDati->EcuLink();
}
bool connected() {
    return StreamDati && link()->IsConnected() != 0;
}

void deleteTemporaryFiles(const std::string& pattern) {
    const std::string dir = platform::GetTempPath();
    if (dir.empty())
        return; // no temporary folder: the current one is not it
    for (const std::string& name : platform::FindFiles(dir, pattern)) {
        const std::string path = platform::JoinPath(dir, name);
        platform::SetArchiveAttributes(path);
        platform::DeleteFile(path);
    }
}

void setCaption(QLabel* label, int n) {
    QString text = label->text();
    if (LoadLanguageString(n, text))
        label->setText(text);
}

void setCaption(QAction* action, int n) {
    QString text = action->text();
    if (LoadLanguageString(n, text))
        action->setText(text);
}

void setCaption(QMenu* menu, int n) {
    QString text = menu->title();
    if (LoadLanguageString(n, text))
        menu->setTitle(text);
}

} // namespace

TFormMain::TFormMain(QWidget* parent, TQtTexts* qtTexts)
    : QMainWindow(parent), ui_(new Ui::FormMain),
      // The texts the window keeps for itself and its actions.
      texts_({34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 48, 49, 51, 52, 54,  55, 58,
              59, 65, 66, 67, 68, 69, 70, 71, 75, 76, 77, 78, 79, 80, 317, 318}),
      qtTexts_(qtTexts) {
    shell::RegisterFontSubstitutes();
    shell::RegisterShellResources();
    ui_->setupUi(this);
    // Teal behind the menu texts, which take the form's white; the status bar
    // and the menus keep their own colours.
    QPalette colours = ui_->centralwidget->palette();
    colours.setColor(QPalette::Window, kTeal);
    colours.setColor(QPalette::WindowText, kPlain);
    ui_->centralwidget->setPalette(colours);
    ui_->centralwidget->setAutoFillBackground(true);
    QPalette title = ui_->LabelMenu->palette();
    title.setColor(QPalette::WindowText, kRed);
    ui_->LabelMenu->setPalette(title);
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("FormPopupMenu");
    std::vector<TStatusPanels::Panel> panels;
    for (const StatusPanelLayout& p : kStatusPanels)
        panels.push_back({p.width, p.ownerDrawn, p.text});
    panels_ = new TStatusPanels(std::move(panels), ui_->StatusBarMain);
    ui_->StatusBarMain->addWidget(panels_, 1);
    panels_->setDrawHandler([this](QPainter& painter, int panel, const QRect& rect) {
        StatusBarMainDrawPanel(painter, panel, rect);
    });
    for (QAction* a : findChildren<QAction*>())
        if (a->objectName().startsWith("Action"))
            addAction(a); // shortcuts of the action list work in the whole window
    linkMenuItems();
    installActions();
    auto* linkWatch = new QTimer(this);
    connect(linkWatch, &QTimer::timeout, this, &TFormMain::watchLink);
    linkWatch->start(1000);
    connect(ui_->ActionEsci, &QAction::triggered, this, &TFormMain::ActionEsciExecute);
    connect(ui_->MenuAbout, &QAction::triggered, this, &TFormMain::MenuAboutClick);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupMenu_->popup(mapToGlobal(pos)); });
    setFocusPolicy(Qt::StrongFocus);
    ui_->centralwidget->installEventFilter(this);

    // Language of the stored settings.
    const int stored = StreamDati ? StreamDati->QuarnGlobalData->Get(2) : 0;
    LanguageIndex = (stored >= 0 && stored < MaxLanguages) ? stored : 0;
    if (qtTexts_)
        qtTexts_->Apply(LanguageIndex);
    LoadLanguageNumber(2, LanguageCodePage);
    LoadLanguageNumber(1, LanguageCharset);

    SetScreenCursor(ScreenCursor::AppStart);
    splash_ = new TFormSplash(this);
    shell::ShowNow(splash_);

    ProgramFolder = platform::fromUnicode(QDir::currentPath());
    cleanTemporaryFolder();

    shell::ScaleByScreenWidth(this, shell::LayoutScreenWidth());
    const int width = shell::ScreenWidth();
    if (width != 800)
        for (int i = 0; i < panels_->count(); ++i)
            panels_->setPanelWidth(i, kStatusPanels[i].width * width / 800);
    // The title spans the screen as the menu texts are centred on it, also
    // where the layout scaled to less than the screen's width.
    QLabel* menuTitle = ui_->LabelMenu;
    menuTitle->setGeometry(menuTitle->x() * width / 800, menuTitle->y(), width * kTitleWidth / 800,
                           menuTitle->height());

    QLabel* const order[] = {ui_->LabelConfig,      ui_->LabelVisualizza, ui_->LabelDiagnosi,
                             ui_->LabelTara,        ui_->LabelSalva,      ui_->LabelCarica,
                             ui_->LabelRiprogramma, ui_->LabelTermina};
    for (QLabel* label : order) {
        if (label->isHidden())
            continue;
        label->setProperty("Tag", static_cast<int>(MenuLabels.size()));
        label->installEventFilter(this);
        MenuLabels.push_back(label);
    }
    layoutLabels();
    CurrentLabel = 0;
    for (size_t i = 0; i < MenuLabels.size(); ++i)
        setHighlight(static_cast<int>(i), false);
    setHighlight(0, true);
}

TFormMain::~TFormMain() {
    if (FormMain == this)
        FormMain = nullptr;
}

// A menu item shows and runs its action: caption, state and shortcut text
// follow the action, a click executes it.
void TFormMain::linkMenuItems() {
    const std::pair<QAction*, QAction*> links[] = {
        {ui_->MenuApri, ui_->ActionApri},
        {ui_->MenuSalva, ui_->ActionSalva},
        {ui_->MenuBloccoNote, ui_->ActionBloccoNote},
        {ui_->MenuProgCliente, ui_->ActionProgrammaCliente},
        {ui_->MenuEsci, ui_->ActionEsci},
        {ui_->MenuConnetti, ui_->ActionConnetti},
        {ui_->MenuDisconnetti, ui_->ActionDisconnetti},
        {ui_->MenuResetCpu, ui_->ActionResetCentralina},
    };
    for (auto [item, action] : links) {
        auto sync = [item = item, action = action] {
            item->setText(action->text());
            item->setEnabled(action->isEnabled());
            item->setVisible(ActionVisible(action));
            item->setShortcut(action->shortcut());
            item->setShortcutContext(Qt::WidgetShortcut); // the action itself owns the key
        };
        sync();
        connect(action, &QAction::changed, item, sync);
        connect(item, &QAction::triggered, action, [action = action] { ExecuteAction(action); });
    }
}

bool TFormMain::ActionVisible(const QAction* action) {
    const QVariant visible = action->property("Visible");
    return !visible.isValid() || visible.toBool();
}

bool TFormMain::ExecuteAction(QAction* action) {
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

std::string TFormMain::Text(int n) const {
    return texts_.Text(n);
}

std::string TFormMain::NoConnectionText() const {
    return Text(41) + "\n\n- " + Text(42) + "\n- " + Text(43);
}

std::string TFormMain::RetryText() const {
    return Text(68) + "\n" + Text(69) + "\n" + Text(70);
}

std::string TFormMain::FileVersion() {
    const std::string version = QCoreApplication::applicationVersion().toStdString();
    return version.empty() ? "not available" : version;
}

void TFormMain::cleanTemporaryFolder() {
    deleteTemporaryFiles("_mp*.tmp");
    deleteTemporaryFiles("_mt*.tmp");
}

void TFormMain::layoutLabels() {
    if (MenuLabels.empty())
        return;
    for (QLabel* label : MenuLabels)
        label->adjustSize();
    const int n = static_cast<int>(MenuLabels.size());
    const int h = truncToInt(MenuLabels.front()->height() * 0.9);
    const int g = truncToInt(h * 0.02);
    const int menuHeight = ui_->LabelMenu->height();
    const int top =
        truncToInt((shell::ScreenHeight() * 0.89 - ui_->StatusBarMain->sizeHint().height() -
                    menuHeight - n * h - (n - 1) * g) *
                   0.5) +
        menuHeight;
    for (int i = 0; i < n; ++i)
        MenuLabels[i]->move(MenuLabels[i]->x(), top + i * (h + g));
    centreLabels();
}

void TFormMain::centreLabels() {
    int widest = 0;
    for (QLabel* label : MenuLabels) {
        label->adjustSize();
        widest = std::max(widest, label->width());
    }
    const int left = truncToInt((shell::ScreenWidth() * 0.95 - widest) * 0.5);
    for (QLabel* label : MenuLabels)
        label->move(left, label->y());
}

void TFormMain::setHighlight(int index, bool on) {
    if (index < 0 || index >= static_cast<int>(MenuLabels.size()))
        return;
    QLabel* label = MenuLabels[index];
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, on ? kHighlight : kPlain);
    label->setPalette(p);
    QFont f = label->font();
    f.setUnderline(on);
    label->setFont(f);
}

void TFormMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_)
        QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::buildLanguageMenus() {
    LanguageIndex = 0;
    auto fill = [this](QMenu* menu, const char* prefix) {
        menu->clear();
        auto* group = new QActionGroup(menu);
        for (int l = 0; l < MaxLanguages; ++l) {
            QString caption;
            LoadLanguageString(l * MaxStrings, caption);
            QAction* item = menu->addAction(caption);
            item->setObjectName(QString("%1%2").arg(prefix).arg(l));
            item->setCheckable(true);
            item->setActionGroup(group);
            item->setProperty("Tag", l);
            connect(item, &QAction::triggered, this, [this, item] { MenuLinguaClick(item); });
        }
    };
    fill(popupMenu_, "MenuPopup");
    fill(ui_->MenuSelLingua, "MenuLingua");
}

void TFormMain::FormShow() {
    if (shown_)
        return; // once, at the first show
    shown_ = true;
    if (FormScarica)
        FormScarica->OpenDialogFile.initialDir = ProgramFolder + "/Firmware";
    buildLanguageMenus();
    const QList<QAction*> items = popupMenu_->actions();
    if (!items.isEmpty()) {
        const int k = StreamDati ? StreamDati->QuarnGlobalData->Get(2) : 0;
        items[(k >= 0 && k < items.size()) ? k : 0]->trigger();
    }
    setWindowTitle(platform::toUnicode(GetProductTitle()));
    // This may run before the window system has put the window on the
    // screen; a repaint then would paint nothing until after the wait.
    shell::WaitUntilOnScreen(this);
    repaint();
    if (splash_) {
        splash_->activateWindow();
        splash_->repaint();
        shell::TraceStartup("fixed_wait_start");
        platform::Sleep(2000);
        shell::TraceStartup("fixed_wait_end");
        splash_->close();
        delete splash_;
    }
    SetScreenCursor(ScreenCursor::Default);
    QTimer::singleShot(0, this, &TFormMain::StartupIdle);
}

void TFormMain::StartupIdle() {
    update();
    ExecuteAction(ui_->ActionConnetti);
    if (!connected())
        platform::MessageBox(this, NoConnectionText(), GetProductTitle(), platform::MB_ICONERROR);
    repaint();
    shell::TraceStartup("connect_end");
}

void TFormMain::MenuLinguaClick(QAction* item) {
    if (!item)
        return;
    SetScreenCursor(ScreenCursor::HourGlass);
    const int l = std::max(0, item->property("Tag").toInt());
    if (StreamDati)
        StreamDati->QuarnGlobalData->Set(2, l);
    LanguageIndex = l;
    if (qtTexts_)
        qtTexts_->Apply(l);
    const QList<QAction*> languages = ui_->MenuSelLingua->actions();
    if (l < languages.size()) {
        const QList<QAction*> popup = popupMenu_->actions();
        if (l < popup.size())
            popup[l]->setChecked(true);
        languages[l]->setChecked(true);
    }
    LoadCaptions();
    SetScreenCursor(ScreenCursor::Default);
}

std::string TFormMain::configPanelText() const {
    return Text(34) + ": " + (StreamDati ? StreamDati->GetNomeConfigurazione() : std::string());
}

std::string TFormMain::fuelText() const {
    return Text(StreamDati && StreamDati->GetFlag(1) ? 318 : 317);
}

void TFormMain::LoadCaptions() {
    LoadLanguageNumber(2, LanguageCodePage);
    LoadLanguageNumber(1, LanguageCharset);
    const std::pair<QLabel*, int> labels[] = {
        {ui_->LabelMenu, 5},     {ui_->LabelConfig, 6},   {ui_->LabelVisualizza, 7},
        {ui_->LabelDiagnosi, 8}, {ui_->LabelTara, 9},     {ui_->LabelCarica, 11},
        {ui_->LabelSalva, 12},   {ui_->LabelTermina, 15}, {ui_->LabelRiprogramma, 13},
    };
    for (auto [label, n] : labels)
        setCaption(label, n);
    centreLabels();
    const std::pair<QMenu*, int> menus[] = {{ui_->MenuFile, 17},
                                            {ui_->MenuCpu, 18},
                                            {ui_->MenuConfig, 19},
                                            {ui_->MenuSelLingua, 3},
                                            {ui_->MenuAiuto, 21}};
    for (auto [menu, n] : menus)
        setCaption(menu, n);
    const std::pair<QAction*, int> items[] = {
        {ui_->MenuAbout, 20},         {ui_->MenuConnetti, 28}, {ui_->MenuDisconnetti, 29},
        {ui_->MenuEsci, 27},          {ui_->ActionApri, 23},   {ui_->ActionSalva, 24},
        {ui_->ActionProgramma, 26},   {ui_->ActionEsci, 27},   {ui_->ActionConnetti, 28},
        {ui_->ActionDisconnetti, 29}, {ui_->ActionTara, 30},   {ui_->ActionResetCentralina, 31},
        {ui_->ActionVisualizza, 32},
    };
    for (auto [action, n] : items)
        setCaption(action, n);
    texts_.Load();

    panels_->setText(0, Text(connected() ? 36 : 37));
    panels_->setText(1, configPanelText());
    const std::string version = panels_->text(2);
    if (!version.empty()) {
        const size_t colon = version.find(':');
        panels_->setText(2, Text(35) + (colon == std::string::npos ? "" : version.substr(colon)));
    }
    if (!panels_->text(3).empty())
        panels_->setText(3, fuelText());
    panels_->repaint();
    if (TConfigEditorWindow* editor = shell::ConfigEditor())
        editor->LoadCaptions();
}

// Each menu label runs its action's handler, whatever the action's state.
void TFormMain::LabelClick(QLabel* label) {
    const std::pair<QLabel*, QAction*> handlers[] = {
        {ui_->LabelConfig, ui_->ActionConf},
        {ui_->LabelVisualizza, ui_->ActionVisualizza},
        {ui_->LabelDiagnosi, ui_->ActionDiagnosi},
        {ui_->LabelTara, ui_->ActionTara},
        {ui_->LabelSalva, ui_->ActionSalvaConf},
        {ui_->LabelCarica, ui_->ActionApriConf},
        {ui_->LabelRiprogramma, ui_->ActionProgramma},
        {ui_->LabelTermina, ui_->ActionEsci},
    };
    for (auto [l, action] : handlers)
        if (l == label)
            emit action->triggered(false);
}

void TFormMain::LabelConfigMouseEnter(QLabel* label) {
    setHighlight(CurrentLabel, false);
    CurrentLabel = label->property("Tag").toInt();
    setHighlight(CurrentLabel, true);
}

void TFormMain::FormKeyDown(int key) {
    const int count = static_cast<int>(MenuLabels.size());
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (CurrentLabel >= 0 && CurrentLabel < count)
            LabelClick(MenuLabels[CurrentLabel]);
        break;
    case Qt::Key_Up:
        if (CurrentLabel > 0)
            setHighlight(CurrentLabel--, false);
        setHighlight(CurrentLabel, true);
        break;
    case Qt::Key_Down:
        if (CurrentLabel < count - 1)
            setHighlight(CurrentLabel++, false);
        setHighlight(CurrentLabel, true);
        break;
    default:
        break;
    }
}

void TFormMain::keyPressEvent(QKeyEvent* e) {
    FormKeyDown(e->key());
    QMainWindow::keyPressEvent(e);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ui_->centralwidget && e->type() == QEvent::Paint)
        shell::TraceStartup("main_painted");
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && e->type() == QEvent::Enter)
        LabelConfigMouseEnter(label);
    else if (label && e->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        LabelClick(label);
    return QMainWindow::eventFilter(watched, e);
}

void TFormMain::MenuAboutClick() {
    TAboutBox box(this);
    box.setWindowTitle(windowTitle());
    box.ui()->ProductName->setText(windowTitle());
    box.ui()->Version->setText(platform::toUnicode(Text(48) + " " + FileVersion()));
    platform::ShowModal(box);
}

void TFormMain::ActionEsciExecute() {
    close();
}

void TFormMain::FormClose() {
    if (connected())
        ExecuteAction(ui_->ActionDisconnetti);
    MenuLabels.clear();
}

void TFormMain::EndOnRequest() {
    endRequested_ = true;
    close();
}

void TFormMain::closeEvent(QCloseEvent* e) {
    if (!endRequested_ && !FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    QMainWindow::closeEvent(e);
}

void TFormMain::setConnectionActions(bool connectedNow) {
    ui_->ActionConnetti->setEnabled(!connectedNow);
    ui_->MenuConnetti->setEnabled(!connectedNow);
    ui_->ActionDisconnetti->setEnabled(connectedNow);
    ui_->MenuDisconnetti->setEnabled(connectedNow);
    ui_->ActionResetCentralina->setEnabled(connectedNow);
}

void TFormMain::WMDataChanged(intptr_t, intptr_t lParam) {
    switch (lParam) {
    case 0:
        panels_->setText(0, Text(37));
        panels_->setText(2, "");
        panels_->setText(3, "");
        panels_->repaint();
        setConnectionActions(false);
        break;
    case 1: {
        const uint8_t* id = StreamDati->EcuIdentity();
        panels_->setText(0, Text(36));
        panels_->setText(1, configPanelText());
        panels_->setText(2, Text(35) + ": " + std::to_string(id[3]) + "." + std::to_string(id[2]));
        panels_->setText(3, fuelText());
        panels_->repaint();
        setConnectionActions(true);
        break;
    }
    case 2:
        panels_->setText(1, configPanelText());
        panels_->repaint();
        break;
    case 3:
        ExecuteAction(ui_->ActionConnetti);
        break;
    case 4:
        ExecuteAction(ui_->ActionSalva);
        break;
    case 5:
        panels_->setText(3, fuelText());
        panels_->repaint();
        break;
    default:
        break;
    }
    update();
}

bool TFormMain::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(WM_DATACHANGED)) {
        const auto* m = static_cast<TMessageEvent*>(e);
        WMDataChanged(m->wParam(), m->lParam());
        return true;
    }
    return QMainWindow::event(e);
}

void TFormMain::StatusBarMainDrawPanel(QPainter& painter, int panel, const QRect& rect) {
    const int fontHeight = -QFontInfo(painter.font()).pixelSize();
    const int top = rect.top() + ((fontHeight + rect.height()) / 2 - 1);
    const QFontMetrics metrics(painter.font());
    if (panel == 0) {
        if (!connected())
            painter.fillRect(rect, kNotConnected);
        painter.drawText(rect.left() + 1, top + metrics.ascent(),
                         platform::toUnicode(panels_->text(0)));
    } else if (panel == 1) {
        painter.drawText(rect.left() + 2, top + metrics.ascent(),
                         platform::toUnicode(configPanelText()));
    }
}

void TFormMain::PrepareSaveDialog() {
    const int model = StreamDati->EcuIdentity()[1];
    std::string cylinders;
    LoadLanguageString((model == GetModelCodeB() && GetModelCodeA() != GetModelCodeB()) ? 430 : 429,
                       cylinders);
    const std::string extension = GetModelConfigExt(model);
    OpenDialog.defaultExt = extension;
    OpenDialog.filter = "Configurazione " + cylinders + " |*." + extension;
    OpenDialog.title = "Apri file di configurazione";
    SaveDialog.defaultExt = extension;
    SaveDialog.filter = OpenDialog.filter;
    SaveDialog.title = "Salva file di configurazione";
    SaveDialog.save = true;
    SaveDialog.overwritePrompt = true;
    StreamDati->SetScrambleKey(GetFileScrambleKey());
}

bool TFormMain::IsEditionModel() const {
    const int model = static_cast<int8_t>(StreamDati->EcuIdentity()[1]);
    return model == GetModelCodeA() || model == GetModelCodeB();
}
