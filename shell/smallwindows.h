#pragma once
// The splash window of the start, the message window of the folder scan and
// the about box. Their texts come from their callers.
#include <QDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class FormSplash;
class FormMessaggio;
class AboutBox;
} // namespace Ui

class TFormSplash : public QWidget {
    Q_OBJECT

public:
    explicit TFormSplash(QWidget* owner);
    ~TFormSplash() override;
    Ui::FormSplash* ui() const { return ui_.get(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::unique_ptr<Ui::FormSplash> ui_;
};

class TFormMessaggio : public QDialog {
    Q_OBJECT

public:
    explicit TFormMessaggio(QWidget* owner);
    ~TFormMessaggio() override;
    Ui::FormMessaggio* ui() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::FormMessaggio> ui_;
};

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* owner);
    ~TAboutBox() override;
    Ui::AboutBox* ui() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::AboutBox> ui_;
};
