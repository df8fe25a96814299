#pragma once
// The About box: the program's name, version and the project's notice, which
// opens the project's web page when clicked. Created hidden at start-up and
// shown modally from the connection dialog.

#include <QDialog>
#include <QLabel>

class QPushButton;
class TShadowLabel;

// A label that reports a click of the left mouse button.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);
    ~TAboutForm() override;

    void RxLabel2Click(QObject *sender);

    TShadowLabel *RxLabel1;
    QLabel *VerLabel;
    QLabel *Image1;
    TClickLabel *RxLabel2;
    QPushButton *OkButton;
};

extern TAboutForm *AboutForm;   // the application's About box

// The project's web page, opened by a click on the notice.
inline constexpr const char *kProjectPage = "https://tarvix.example.org/";
inline constexpr const char *kVersionText = "Version: 1.13 from 17.05.2016";
