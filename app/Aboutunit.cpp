#include "app/Aboutunit.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include "app/app_resources.h"
#include "app/shadow_label.h"

TAboutForm *AboutForm = nullptr;

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent)
{
    AboutForm = this;
    InitAppResources();
    setWindowTitle(QStringLiteral("About..."));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(290, 174);
    move(528, 328);

    RxLabel1 = new TShadowLabel(QStringLiteral("Tarvix "), this);
    RxLabel1->setFont(BannerFont());
    RxLabel1->setAlignment(Qt::AlignCenter);
    RxLabel1->setGeometry(0, 0, 288, 40);

    VerLabel = new QLabel(QStringLiteral("Version:  "), this);
    QFont ver(QStringLiteral("MS Sans Serif"));
    ver.setPixelSize(16);
    ver.setBold(true);
    VerLabel->setFont(ver);
    VerLabel->setAlignment(Qt::AlignCenter);
    VerLabel->setGeometry(3, 47, 285, 21);

    Image1 = new QLabel(this);
    Image1->setGeometry(17, 84, 64, 64);
    Image1->setPixmap(QPixmap(QStringLiteral(":/tarvix/about.png")));

    // The project's notice, drawn like a link.
    RxLabel2 = new TClickLabel(QStringLiteral("Tarvix project page"), this);
    QFont notice(QStringLiteral("MS Sans Serif"));
    notice.setPixelSize(16);
    notice.setUnderline(true);
    RxLabel2->setFont(notice);
    QPalette link = RxLabel2->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 224));
    RxLabel2->setPalette(link);
    RxLabel2->setAlignment(Qt::AlignCenter);
    RxLabel2->setGeometry(85, 82, 200, 25);
    RxLabel2->setCursor(Qt::PointingHandCursor);
    RxLabel2->setToolTip(QString::fromLatin1(kProjectPage));

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setGeometry(183, 138, 93, 27);
    OkButton->setDefault(true);

    connect(RxLabel2, &TClickLabel::clicked, this, [this] { RxLabel2Click(RxLabel2); });
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    VerLabel->setText(QString::fromLatin1(kVersionText));
}

TAboutForm::~TAboutForm()
{
    if (AboutForm == this)
        AboutForm = nullptr;
}

void TAboutForm::RxLabel2Click(QObject *)
{
    // Whether the desktop could open the page is not reported.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kProjectPage)));
}
