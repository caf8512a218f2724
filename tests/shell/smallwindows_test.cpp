#include "shellfixture.h"

#include "core/messages.h"
#include "formattesa.h"
#include "smallwindows.h"
#include "ui_FormAttesa.h"
#include "windowutil.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>

namespace {

class WaitWindow : public ShellTest {};

TEST_F(WaitWindow, ProgressMovesTheBarWithinItsRangeAndShowsTheSuffix) {
    TFormAttesa w(nullptr);
    w.Suffix = "Completato";
    auto progress = [&](intptr_t amount, intptr_t mode) {
        TMessageEvent e(WM_PROGRESS, amount, mode);
        QCoreApplication::sendEvent(&w, &e);
    };
    progress(95, 0);
    EXPECT_EQ(w.CompletedText(), "95% Completato");
    progress(10, 1); // relative: stops at the maximum
    EXPECT_EQ(w.Position(), 100);
    EXPECT_EQ(w.CompletedText(), "100% Completato");
    progress(0, 0);
    EXPECT_EQ(w.CompletedText(), "0% Completato");
    w.Suffix.clear();
    w.SetProgress(30, false);
    w.SetProgress(20, false);
    EXPECT_EQ(w.CompletedText(), "50% ");
    w.SetProgress(7, true);
    EXPECT_EQ(w.Position(), 7);
}

// The transfer's progress reaches the wait window that is shown, and no
// other once it is closed.
TEST_F(WaitWindow, IsTheProgressReceiverWhileShown) {
    auto w = TFormAttesa::Open(nullptr, "Caption", "Label", " ok ");
    EXPECT_EQ(Screen().ProgressReceiver(), w.get());
    EXPECT_EQ(FormAttesa, w.get());
    EXPECT_EQ(w->windowTitle().toStdString(), "Caption");
    EXPECT_EQ(w->ui()->Label->text().toStdString(), "Label");
    Screen().SendProgress(42);
    EXPECT_EQ(w->CompletedText(), "42%  ok ");
    w->close();
    EXPECT_EQ(Screen().ProgressReceiver(), nullptr);
    w.reset();
    EXPECT_EQ(FormAttesa, nullptr);
}

// The texts that the label showed each time it was painted.
class PaintedTexts : public QObject {
public:
    std::vector<std::string> texts;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            texts.push_back(static_cast<QLabel*>(watched)->text().toStdString());
        return false;
    }
};

// A caller with several phases hides the wait window, re-captions it and
// shows it again before work that holds the event loop: it is painted with
// its new texts before that work starts, not left as it was.
TEST_F(WaitWindow, ShownAgainItIsPaintedWithItsNewTextsAtOnce) {
    auto w = TFormAttesa::Open(nullptr, "Caricamento", "Caricamento dati...", "Completato");
    Screen().SendProgress(100);
    ProcessEvents();
    PaintedTexts painted;
    w->ui()->Label->installEventFilter(&painted);
    w->hide();
    w->SetLabel("Scaricamento dati in centralina...");
    shell::ShowNow(w.get());
    ASSERT_FALSE(painted.texts.empty()) << "not painted before the work";
    EXPECT_EQ(painted.texts.back(), "Scaricamento dati in centralina...");
    w->ui()->Label->removeEventFilter(&painted);
}

// The longest labels the callers give still show whole on their one line;
// a short one keeps the layout's font.
TEST_F(WaitWindow, ALongLabelIsMadeSmallerToFitAndAShortOneIsNot) {
    TFormAttesa w(nullptr);
    QLabel* label = w.ui()->Label;
    const QFont design = label->font();
    w.SetLabel("Scaricamento dati in centralina: attendere...");
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()),
              label->contentsRect().width());
    w.SetLabel("Attendere...");
    EXPECT_EQ(label->font(), design);
}

TEST_F(WaitWindow, ActivatingTheProgramBringsItBackWhileAWaitWindowIsOpen) {
    QWidget main;
    main.showMinimized();
    auto w = TFormAttesa::Open(&main, "", "", "");
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(main.isMinimized());
    w->close();
    main.showMinimized();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(main.isMinimized());
}

TEST(Splash, CarriesTheStartPicture) {
    ShellApp();
    TFormSplash splash(nullptr);
    const QLabel* picture = splash.findChild<QLabel*>("Pellam");
    ASSERT_NE(picture, nullptr);
    ASSERT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pixmap().size(), QSize(290, 210));
    EXPECT_EQ(splash.size(), QSize(290, 210));
}

// Each small window is found among its owner's children as what it is, not
// as the first widget or dialog of its base class.
TEST(SmallWindows, AreFoundByTheirOwnType) {
    ShellApp();
    QWidget owner;
    new QWidget(&owner);
    new QDialog(&owner);
    auto* splash = new TFormSplash(&owner);
    auto* message = new TFormMessaggio(&owner);
    auto* about = new TAboutBox(&owner);
    EXPECT_EQ(owner.findChild<TFormSplash*>(), splash);
    EXPECT_EQ(owner.findChild<TFormMessaggio*>(), message);
    EXPECT_EQ(owner.findChild<TAboutBox*>(), about);
}

} // namespace
