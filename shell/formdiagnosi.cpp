#include "formdiagnosi.h"

#include "controls/numericedit.h"
#include "ui_FormDiagnosi.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionViewItem>
#include <cstdio>

std::array<std::string, 3> TFormDiagnosi::ActionNames = {"Nessuna", "Passaggio benz",
                                                         "Forzato benz"};

namespace {

constexpr uint32_t kGasTime = 0x23b;
constexpr uint32_t kPetrolTime = 0x23c;
constexpr uint32_t kGasInjectors = 77;
constexpr uint32_t kPetrolInjectors = 94;
constexpr int kFirstCheckName = 268;

// Rows of the four threshold fields, by their tag.
constexpr int kThresholdRows[4] = {5, 6, 8, 9};

using platform::u;

// The legend's picture: a ticked box as the list draws it.
QPixmap tickedBox(QWidget* widget, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton option;
    option.initFrom(widget);
    option.rect = QRect(0, 0, size, size);
    option.state = QStyle::State_On | QStyle::State_Enabled;
    widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
    return pixmap;
}

} // namespace

TFormDiagnosi::TFormDiagnosi(QWidget* owner)
    : QDialog(owner), ui_(new Ui::FormDiagnosi),
      texts_({251, 252, 253, 254, 255, 256, 257, 258, 259, 260, 261, 262, 263, 265, 266,
              267, 268, 269, 270, 271, 272, 273, 274, 275, 276, 277, 278, 279, 280}),
      CheckNames(kRows) {
    ui_->setupUi(this);
    setWindowState(Qt::WindowMaximized);
    shell::ScaleByScreenWidth(this, shell::LayoutScreenWidth());

    connect(ui_->ButtonEsci, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui_->ButtonAzzeraErrori, &QPushButton::clicked, this,
            &TFormDiagnosi::ButtonAzzeraErroriClick);
    connect(ui_->ButtonAzzeraTempi, &QPushButton::clicked, this,
            &TFormDiagnosi::ButtonAzzeraTempiClick);
    QTableWidget* list = ui_->ListDiagnosi;
    connect(list, &QTableWidget::cellClicked, this, [this](int row, int) { ToggleRow(row); });
    connect(list, &QTableWidget::currentCellChanged, this,
            [this](int row) { ListDiagnosiSelectItem(row); });
    list->installEventFilter(this);
    ui_->ComboAzione->installEventFilter(this);
    connect(ui_->ComboAzione, &QComboBox::activated, this, &TFormDiagnosi::ComboAzioneChange);

    for (int row : kThresholdRows) {
        TNumericEdit* edit = ThresholdField(row);
        edit->SetPrevControl(list);
        edit->SetNextControl(ui_->ComboAzione);
        connect(edit, &TNumericEdit::entered, this,
                [this, row] { ui_->ListDiagnosi->selectRow(row); });
        connect(edit, &TNumericEdit::keyPressed, this, [this, edit](QObject*, char& key) {
            if (key != 13)
                return;
            EditTempCommit(edit);
            key = 0;
        });
        connect(
            edit, &TNumericEdit::keyDown, this,
            [this, edit](QObject*, int& key, Qt::KeyboardModifiers) { thresholdKey(edit, key); });
    }
    Timer.setInterval(4000);
    connect(&Timer, &QTimer::timeout, this, &TFormDiagnosi::TimerTimer);
    Timer.start();
}

TFormDiagnosi::~TFormDiagnosi() = default;

std::string TFormDiagnosi::caption() const {
    return platform::fromUnicode(windowTitle());
}

void TFormDiagnosi::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

TNumericEdit* TFormDiagnosi::ThresholdField(int row) const {
    TNumericEdit* const fields[4] = {ui_->EditTempBassaMot, ui_->EditTempAltaMot,
                                     ui_->EditTempBassa, ui_->EditTempAlta};
    for (int i = 0; i < 4; ++i)
        if (kThresholdRows[i] == row)
            return fields[i];
    return nullptr;
}

int TFormDiagnosi::ActionCode(int row) const {
    int code = 0;
    for (int k = 0; k < 3; ++k)
        code |= (Azione[k][row / 8] >> (row % 8) & 1) << k;
    return code;
}

std::string TFormDiagnosi::ActionText(int code) {
    // Codes 3 to 7 have no name: the number says what the unit holds.
    return code >= 0 && code < 3 ? ActionNames[static_cast<size_t>(code)] : std::to_string(code);
}

std::string TFormDiagnosi::HoursMinutes(long double minutes) {
    const long long m = minutes > 0 ? static_cast<long long>(minutes) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld : %02lld", m / 60, m % 60);
    return text;
}

void TFormDiagnosi::loadCaptions() {
    texts_.Load();
    const auto setText = [this](auto* widget, int n) {
        if (!text(n).empty())
            widget->setText(u(text(n)));
    };
    setText(ui_->LabelAbilitazDiagnosi, 251);
    if (!text(255).empty())
        ui_->GroupTempi->setTitle(u(text(255)));
    setText(ui_->LabelTempoGas, 256);
    setText(ui_->LabelTempoBenzina, 257);
    setText(ui_->ButtonEsci, 252);
    setText(ui_->ButtonAzzeraTempi, 254);
    setText(ui_->ButtonAzzeraErrori, 253);
    TextOk = text(258);
    TextError = text(259);
    TextConfirm = text(260);
    for (int r = 0; r < kRows; ++r)
        CheckNames[static_cast<size_t>(r)] = text(kFirstCheckName + r);
    const auto header = [this](QTableWidget* list, int column, int n) {
        if (!text(n).empty())
            list->horizontalHeaderItem(column)->setText(u(text(n)));
    };
    for (int c = 0; c < 3; ++c)
        header(ui_->ListDiagnosi, c, 265 + c);
    for (int c = 0; c < 2; ++c)
        header(ui_->ListDiagnosiLow, c, 265 + c);
    for (int i = 0; i < 3; ++i) {
        LoadLanguageString(261 + i, ActionNames[static_cast<size_t>(i)]);
        ui_->ComboAzione->setItemText(i, u(text(261 + i)));
    }
}

void TFormDiagnosi::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    QTableWidget* list = ui_->ListDiagnosi;
    list->show();
    centreList();
    QHeaderView* rows = list->verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(
        std::max(1, (list->height() - list->horizontalHeader()->sizeHint().height() - 4) / kRows));
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->ComboAzione, ui_->EditTempBassaMot, ui_->EditTempAltaMot, ui_->EditTempBassa,
             ui_->EditTempAlta, ui_->Image1, ui_->LabelAbilitazDiagnosi})
        w->show();
    ui_->Image1->setPixmap(tickedBox(list, ui_->Image1->height() - 4));

    loadCaptions();
    for (int w = 0; w < kWords; ++w)
        Abilitazione[w] = StreamDati->GetDiagnosi(w, 2);
    for (int k = 0; k < 3; ++k)
        for (int w = 0; w < 3; ++w)
            Azione[k][w] = StreamDati->GetAzione(k, w);
    for (int r = 0; r < kRows; ++r) {
        auto* check = new QTableWidgetItem(u(CheckNames[static_cast<size_t>(r)]));
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        check->setData(Qt::UserRole, r);
        list->setItem(r, 0, check);
        auto* status = new QTableWidgetItem(QStringLiteral("OK"));
        status->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        status->setTextAlignment(Qt::AlignCenter);
        list->setItem(r, 1, status);
        auto* action = new QTableWidgetItem(u(ActionText(ActionCode(r))));
        action->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list->setItem(r, 2, action);
    }
    setBoxes();
    for (int i = 0; i < 4; ++i)
        ThresholdField(kThresholdRows[i])->SetDouble(double(StreamDati->GetTempDiagnosi(i)));
    sizeColumns();
    centreList();
    placeControls();

    update();
    ForceRedraw = true;
    RefreshList();
    list->setCurrentCell(0, 0);
    ListDiagnosiSelectItem(0);
}

void TFormDiagnosi::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (!activated_)
        return;
    centreList();
    placeControls();
}

// Check 60 %, status 18 %, action the rest of the list, as laid out for the
// fonts of the layout; the status and action columns take what their texts
// need where that is more, and the list widens where the checks then lack
// room.
void TFormDiagnosi::sizeColumns() {
    QTableWidget* list = ui_->ListDiagnosi;
    const int client = list->viewport()->width();
    const int status = std::max(client * 18 / 100, columnNeed(1));
    const int action = std::max(client - client * 60 / 100 - client * 18 / 100, columnNeed(2));
    const int missing = columnNeed(0) - (client - status - action);
    if (missing > 0)
        list->resize(std::min(width(), list->width() + missing), list->height());
    const int room = list->viewport()->width();
    list->setColumnWidth(0, room - status - action);
    list->setColumnWidth(1, status);
    list->setColumnWidth(2, action);
}

// The width column c needs for its texts: where the list starts a cell's
// text, the text, the margins the style keeps beside it and the grid line;
// the check column also holds the threshold fields, the action column the
// action list over the selected row.
int TFormDiagnosi::columnNeed(int c) const {
    const QTableWidget* list = ui_->ListDiagnosi;
    const QStyle* style = list->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    QStyleOptionViewItem cell;
    cell.initFrom(list->viewport());
    cell.font = list->font();
    cell.features = QStyleOptionViewItem::HasDisplay;
    if (c == 0)
        cell.features |= QStyleOptionViewItem::HasCheckIndicator;
    cell.rect = QRect(0, 0, 1000, list->verticalHeader()->defaultSectionSize());
    const int start = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, list).x();
    const QFontMetrics metrics(list->font());
    const auto textNeed = [&](const std::string& t) {
        return start + metrics.horizontalAdvance(u(t)) + 2 * margin + 1;
    };
    int need = 0;
    if (c == 0) {
        for (int r = 0; r < kRows; ++r) {
            const TNumericEdit* field = ThresholdField(r);
            need = std::max(need, textNeed(CheckNames[static_cast<size_t>(r)]) +
                                      (field ? field->width() + 2 : 0));
        }
        return need;
    }
    if (c == 1)
        return std::max({textNeed("OK"), textNeed(TextOk), textNeed(TextError)});
    // The action list loses to its frame and arrow what its edit field lacks
    // of its width.
    const QComboBox* combo = ui_->ComboAzione;
    QStyleOptionComboBox box;
    box.initFrom(combo);
    box.subControls = QStyle::SC_All;
    box.frame = true;
    box.rect = QRect(0, 0, 1000, combo->height());
    const int chrome =
        1000 - combo->style()
                   ->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, combo)
                   .width();
    const QFontMetrics comboMetrics(combo->font());
    for (const std::string& name : ActionNames)
        need =
            std::max({need, textNeed(name), comboMetrics.horizontalAdvance(u(name)) + chrome + 3});
    return need;
}

// The window's scaling has sized the list already: it is only centred.
void TFormDiagnosi::centreList() {
    QTableWidget* list = ui_->ListDiagnosi;
    list->move((width() - list->width()) / 2, list->y());
    ui_->ListDiagnosiLow->setGeometry(list->geometry());
}

void TFormDiagnosi::setBoxes() {
    for (int r = 0; r < kRows; ++r)
        if (QTableWidgetItem* item = ui_->ListDiagnosi->item(r, 0))
            item->setCheckState(Abilitazione[r / 8] >> (r % 8) & 1 ? Qt::Checked : Qt::Unchecked);
}

void TFormDiagnosi::placeControls() {
    QTableWidget* list = ui_->ListDiagnosi;
    const auto cellRect = [list, this](int row, int column) {
        const QRect r = list->visualItemRect(list->item(row, column));
        return QRect(list->viewport()->mapTo(this, r.topLeft()), r.size());
    };
    for (int row : kThresholdRows) {
        if (!list->item(row, 0))
            continue;
        const QRect cell = cellRect(row, 0);
        TNumericEdit* edit = ThresholdField(row);
        edit->setGeometry(cell.right() - edit->width() - 2, cell.top(), edit->width(),
                          cell.height());
    }
    if (selected_ >= 0 && list->item(selected_, 2))
        ui_->ComboAzione->setGeometry(cellRect(selected_, 2));
}

void TFormDiagnosi::showRow(int row) {
    QTableWidget* list = ui_->ListDiagnosi;
    for (int r = 0; r < list->rowCount(); ++r) {
        QTableWidgetItem* check = list->item(r, 0);
        if (!check || check->data(Qt::UserRole).toInt() != row)
            continue;
        const bool error = Stato[row / 8] >> (row % 8) & 1;
        list->item(r, 1)->setText(u(error ? TextError : TextOk));
        list->item(r, 2)->setText(u(ActionText(ActionCode(row))));
        return;
    }
}

void TFormDiagnosi::showInjectors(int row, int word, int bit, int stringId, uint32_t param) {
    if (!(Stato[word] >> bit & 1))
        return;
    std::string caption = text(stringId);
    int32_t mask = 0;
    StreamDati->EcuLink()->ReadParam(param, &mask);
    std::string numbers;
    for (int i = 0; i < 8; ++i)
        if (mask >> i & 1)
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(i + 1);
    // No injector named: the plain caption, not an empty list.
    if (!numbers.empty())
        caption += " (" + numbers + ")";
    ui_->ListDiagnosi->item(row, 0)->setText(u(caption));
}

void TFormDiagnosi::showTimes() {
    ui_->LabelTGas->setText(u(HoursMinutes(StreamDati->GetValue(kGasTime))));
    ui_->LabelTBenz->setText(u(HoursMinutes(StreamDati->GetValue(kPetrolTime))));
}

void TFormDiagnosi::RefreshList() {
    for (int w = 0; w < kWords; ++w) {
        PrevStato[w] = Stato[w];
        Stato[w] = StreamDati->GetDiagnosi(w, 1);
    }
    for (int w = 0; w < kWords; ++w)
        if (ForceRedraw || Stato[w] != PrevStato[w])
            for (int b = 0; b < 8 && w * 8 + b < kRows; ++b)
                showRow(w * 8 + b);
    if (ui_->ListDiagnosi->item(kRows - 1, 0)) {
        showInjectors(1, 0, 1, 269, kGasInjectors);
        showInjectors(12, 1, 4, 280, kPetrolInjectors);
    }
    ForceRedraw = false;
    showTimes();
}

void TFormDiagnosi::TimerTimer() {
    const TTickLatch::Scope scope(tick_);
    if (!scope.Entered())
        return;
    TSerialEcuLink* link = StreamDati->EcuLink();
    if (!link->IsConnected())
        return;
    link->StartMonitor();
    const bool answered = PollReconnect(*link);
    link->StopMonitor();
    if (answered)
        RefreshList();
}

void TFormDiagnosi::ButtonAzzeraErroriClick() {
    for (int w = 0; w < kWords; ++w) {
        StreamDati->SetDiagnosi(w, 1, 0);
        Stato[w] = StreamDati->GetDiagnosi(w, 1);
    }
    for (int r = 0; r < kRows; ++r) {
        if (QTableWidgetItem* item = ui_->ListDiagnosi->item(r, 1)) {
            item->setText(u(TextOk));
            ui_->ListDiagnosi->item(r, 2)->setText(u(ActionText(ActionCode(r))));
        }
    }
    for (int row : {1, 12})
        if (QTableWidgetItem* item = ui_->ListDiagnosi->item(row, 0))
            item->setText(u(text(kFirstCheckName + row)));
    ForceRedraw = true;
    RefreshList();
}

void TFormDiagnosi::ButtonAzzeraTempiClick() {
    if (platform::MessageBox(this, TextConfirm, caption(),
                             platform::MB_YESNO | platform::MB_ICONEXCLAMATION) != platform::IDYES)
        return;
    StreamDati->SetValue(kGasTime, 0.0);
    StreamDati->SetValue(kPetrolTime, 0.0);
    // What the unit holds now, whether or not it took the reset.
    showTimes();
}

void TFormDiagnosi::ListDiagnosiChange(int row, bool checked) {
    const int w = row / 8;
    const int32_t bit = 1 << (row % 8);
    if (checked != ((Abilitazione[w] & bit) != 0)) {
        const int32_t state = StreamDati->GetDiagnosi(w, 1);
        Abilitazione[w] = checked ? Abilitazione[w] | bit : Abilitazione[w] & ~bit;
        StreamDati->SetDiagnosi(w, 2, Abilitazione[w]);
        // A check switched on or off starts without an error.
        StreamDati->SetDiagnosi(w, 1, state & ~bit);
        ForceRedraw = true;
        RefreshList();
    }
    for (int i = 0; i < kWords; ++i)
        Abilitazione[i] = StreamDati->GetDiagnosi(i, 2);
    setBoxes();
}

void TFormDiagnosi::ToggleRow(int row) {
    QTableWidgetItem* item = row >= 0 ? ui_->ListDiagnosi->item(row, 0) : nullptr;
    if (!activated_ || !item)
        return;
    ListDiagnosiChange(row, item->checkState() != Qt::Checked);
}

void TFormDiagnosi::ListDiagnosiSelectItem(int row) {
    if (row < 0 || row >= kRows)
        return;
    selected_ = row;
    placeControls();
    showRowAction();
}

void TFormDiagnosi::showRowAction() {
    if (selected_ < 0)
        return;
    const int code = ActionCode(selected_);
    const QSignalBlocker blocker(ui_->ComboAzione);
    ui_->ComboAzione->setCurrentIndex(code < 3 ? code : -1);
}

void TFormDiagnosi::ComboAzioneChange(int index) {
    if (selected_ < 0 || index < 0 || index > 2)
        return;
    const int w = selected_ / 8;
    const int32_t bit = 1 << (selected_ % 8);
    for (int k = 0; k < 3; ++k)
        Azione[k][w] = (index >> k & 1) ? Azione[k][w] | bit : Azione[k][w] & ~bit;
    for (int k = 0; k < 3; ++k)
        StreamDati->SetAzione(k, w, Azione[k][w]);
    // The copy follows the image, so a choice the unit refused springs back.
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            Azione[k][j] = StreamDati->GetAzione(k, j);
    ui_->ListDiagnosi->setFocus();
    ForceRedraw = true;
    RefreshList();
    showRowAction();
}

void TFormDiagnosi::EditTempCommit(TNumericEdit* edit) {
    const int tag = edit->property("Tag").toInt();
    StreamDati->SetTempDiagnosi(tag, edit->GetDouble());
    edit->SetDouble(double(StreamDati->GetTempDiagnosi(tag)));
}

void TFormDiagnosi::focusCombo() {
    if (ui_->ComboAzione->isVisible())
        ui_->ComboAzione->setFocus(Qt::TabFocusReason);
}

bool TFormDiagnosi::listKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ToggleRow(ui_->ListDiagnosi->currentRow());
        return true;
    case Qt::Key_Left:
        focusCombo();
        return true;
    case Qt::Key_Right:
        if (TNumericEdit* edit = ThresholdField(selected_))
            edit->setFocus(Qt::TabFocusReason);
        else
            focusCombo();
        return true;
    default:
        return false;
    }
}

bool TFormDiagnosi::comboKey(int key) {
    QComboBox* combo = ui_->ComboAzione;
    const auto show = [combo](int index) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(std::clamp(index, 0, combo->count() - 1));
    };
    switch (key) {
    case Qt::Key_Left:
        if (TNumericEdit* edit = ThresholdField(selected_))
            edit->setFocus(Qt::TabFocusReason);
        else
            ui_->ListDiagnosi->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Right:
        ui_->ListDiagnosi->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Up:
        show(combo->currentIndex() - 1);
        return true;
    case Qt::Key_Down:
        show(combo->currentIndex() + 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter commits the shown item as a mouse choice does.
        combo->hidePopup();
        ComboAzioneChange(combo->currentIndex());
        return true;
    default:
        return false;
    }
}

void TFormDiagnosi::thresholdKey(TNumericEdit*, int& key) {
    if (key == Qt::Key_Left) {
        ui_->ListDiagnosi->setFocus(Qt::TabFocusReason);
        key = 0;
    } else if (key == Qt::Key_Right) {
        focusCombo();
        key = 0;
    }
}

bool TFormDiagnosi::eventFilter(QObject* watched, QEvent* e) {
    QComboBox* combo = ui_->ComboAzione;
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (watched == ui_->ListDiagnosi)
            return listKey(key);
        if (watched == combo)
            return comboKey(key);
    }
    if (watched == combo && e->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason && isVisible())
        combo->showPopup();
    // Left without Enter: the row's action again.
    if (watched == combo && e->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason)
        showRowAction();
    return QDialog::eventFilter(watched, e);
}
