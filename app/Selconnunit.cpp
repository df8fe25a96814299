#include "app/Selconnunit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <climits>
#include <tuple>
#include <utility>

#include "app/Aboutunit.h"
#include "app/address_spin_edit.h"
#include "app/app_resources.h"
#include "app/exchange_setup.h"
#include "app/serial_line_box.h"
#include "app/serial_line_settings.h"
#include "app/shadow_label.h"
#include "app/tarvix_settings.h"
#include "platform/serial_ports.h"
#include "view/Tarvix_unit.h"

TSelConnForm *SelConnForm = nullptr;

namespace {

constexpr int kComItems = 32;
const char *const kBaudItems[] = {"1200",  "2400",  "4800",  "9600",  "14400",
                                  "19200", "28800", "38400", "57600", "115200"};
constexpr int kDefaultBaudItem = 9;   // "115200"

QLabel *AddLabel(QWidget *parent, const QString &text, int x, int y, int w)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 17);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

// A numeric field that keeps its value within its range: a value set or
// typed outside it is brought to the nearest bound.
QSpinBox *PlaceSpin(QSpinBox *s, int x, int y, int w, int min, int max, int value, int step = 1)
{
    s->setGeometry(x, y, w, 21);
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    s->setValue(value);
    return s;
}

QSpinBox *AddSpin(QWidget *parent, int x, int y, int w, int min, int max, int value, int step = 1)
{
    return PlaceSpin(new TSpinEdit(parent), x, y, w, min, max, value, step);
}

// A pair of radio buttons that form a group of their own; the first is
// checked.
std::pair<QRadioButton *, QRadioButton *> AddRadioPair(QWidget *parent, const QString &first, const QRect &firstRect,
                                                       const QString &second, const QRect &secondRect)
{
    auto *a = new QRadioButton(first, parent);
    a->setGeometry(firstRect);
    auto *b = new QRadioButton(second, parent);
    b->setGeometry(secondRect);
    auto *group = new QButtonGroup(parent);
    group->addButton(a);
    group->addButton(b);
    a->setChecked(true);
    return {a, b};
}

QCheckBox *AddCheck(QWidget *parent, const QString &text, int y, const QString &hint = {})
{
    auto *c = new QCheckBox(text, parent);
    c->setGeometry(200, y, 150, 19);
    c->setToolTip(hint);
    return c;
}

// The two connection panels: the same size at the same place.
QFrame *AddPanel(QWidget *parent)
{
    auto *f = new QFrame(parent);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setGeometry(5, 90, 357, 84);
    return f;
}

QFrame *AddRowFrame(QWidget *parent, int y)
{
    auto *f = new QFrame(parent);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    f->setGeometry(5, y, 357, 31);
    return f;
}

// Selects the first item equal to `text` ignoring letter case; leaves the
// selection as it is when there is none.
void SelectItem(QComboBox *box, const QString &text)
{
    const int i = box->findText(text, Qt::MatchFixedString);
    if (i >= 0)
        box->setCurrentIndex(i);
}

}   // namespace

QValidator::State TSpinEdit::validate(QString &input, int &pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    // A whole number beyond the range may be typed; leaving the field
    // brings it to the nearest bound (fixup).
    bool ok = false;
    input.trimmed().toLongLong(&ok);
    return ok ? QValidator::Intermediate : state;
}

void TSpinEdit::fixup(QString &input) const
{
    bool ok = false;
    const qlonglong v = input.trimmed().toLongLong(&ok);
    if (ok)
        input = textFromValue(int(std::clamp<qlonglong>(v, minimum(), maximum())));
}

void TPortComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

TSelConnForm::TSelConnForm(QWidget *parent) : QDialog(parent)
{
    SelConnForm = this;
    InitAppResources();
    BuildForm();
    LoadSettings();
}

TSelConnForm::~TSelConnForm()
{
    if (SelConnForm == this)
        SelConnForm = nullptr;
}

void TSelConnForm::BuildForm()
{
    setWindowTitle(QStringLiteral("Connection Parameters"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setWindowIcon(QIcon(QStringLiteral(":/tarvix/icon.png")));
    setFixedSize(367, 308);
    setSizeGripEnabled(false);

    RxLabel1 = new TShadowLabel(QStringLiteral("Tarvix  "), this);
    RxLabel1->setFont(BannerFont());
    RxLabel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RxLabel1->setGeometry(10, 2, 250, 42);

    AboutButton =
        new QPushButton(QIcon(QStringLiteral(":/tarvix/about_button.png")), QStringLiteral("&About..."), this);
    AboutButton->setIconSize(QSize(24, 24));
    AboutButton->setGeometry(278, 5, 83, 37);

    ConnTypeRG = new QGroupBox(QStringLiteral("   Connection Type:   "), this);
    ConnTypeRG->setGeometry(5, 44, 357, 42);
    ConnTypeGroup = new QButtonGroup(this);
    const char *const types[] = {"Ethernet TCP", "Ethernet UDP", "COM Port"};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QRadioButton(QString::fromLatin1(types[i]), ConnTypeRG);
        b->setGeometry(12 + i * 116, 18, 104, 19);
        ConnTypeGroup->addButton(b, i);
    }
    ConnTypeGroup->button(2)->setChecked(true);

    // The two panels share one place; the one in front is the one in use.
    TCPIP_Panel = AddPanel(this);
    AddLabel(TCPIP_Panel, QStringLiteral("IP - Address:"), 8, 10, 125);
    IP_Addr_Edit = new QLineEdit(QStringLiteral("10.101.100.1"), TCPIP_Panel);
    IP_Addr_Edit->setGeometry(140, 8, 110, 21);
    AddLabel(TCPIP_Panel, QStringLiteral("Target Port Number:"), 8, 34, 125);
    IP_PortEdit = AddSpin(TCPIP_Panel, 140, 32, 70, 1, 65535, 502);
    UDPLocPortLabel = AddLabel(TCPIP_Panel, QStringLiteral("UDP Local Port Number:"), 8, 58, 130);
    UDPLocalPortEdit = AddSpin(TCPIP_Panel, 140, 56, 70, 0, 65535, 0);
    std::tie(MODNET_RButton, MODBUSUDP_RButton) =
        AddRadioPair(TCPIP_Panel, QStringLiteral("MODNET"), QRect(262, 10, 90, 19), QStringLiteral("MODBUS/IP"),
                     QRect(262, 34, 90, 19));

    SerPanel = AddPanel(this);
    AddLabel(SerPanel, QStringLiteral("COM Port:"), 8, 10, 70);
    COM_ComboBox = new TPortComboBox(SerPanel);
    COM_ComboBox->setEditable(true);
    COM_ComboBox->setInsertPolicy(QComboBox::NoInsert);
    COM_ComboBox->setGeometry(80, 8, 105, 21);
    for (int n = 1; n <= kComItems; ++n)
        COM_ComboBox->addItem(QStringLiteral("COM%1").arg(n));
    COM_ComboBox->setCurrentIndex(-1);
    AddLabel(SerPanel, QStringLiteral("Baud Rate:"), 8, 34, 70);
    BaudComboBox = new QComboBox(SerPanel);
    BaudComboBox->setGeometry(80, 32, 105, 21);
    for (const char *b : kBaudItems)
        BaudComboBox->addItem(QString::fromLatin1(b));
    BaudComboBox->setCurrentIndex(-1);
    ParityCheckBox = AddCheck(SerPanel, QStringLiteral("Use EVEN Parity"), 10,
                              QStringLiteral("Use Even Parity bit on COM port (or work without parity bit)"));
    ParityCheckBox->setChecked(true);
    RS485_CheckBox = AddCheck(SerPanel, QStringLiteral("RS-485 Control"), 34,
                              QStringLiteral("Control RS485 driver on COM-port transmitter with RTS, DTR"));
    DTR_CheckBox = AddCheck(SerPanel, QStringLiteral("DTR Always ON"), 58);
    // Below the baud rate, where the panel has room; reached by the mouse or
    // Alt+L, so that Tab walks the fields as it always has.
    LineButton = new QPushButton(QStringLiteral("&Line…"), SerPanel);
    LineButton->setGeometry(80, 57, 80, 22);
    LineButton->setFocusPolicy(Qt::ClickFocus);
    LineButton->setToolTip(QStringLiteral("Reply end, echo, transmitter delays and request gap of the serial line"));
    TCPIP_Panel->hide();   // the serial panel, created later, starts in front

    QFrame *row = AddRowFrame(this, 177);
    AddLabel(row, QStringLiteral("Controller Slave-Address:"), 8, 7, 140);
    SlaveAddrEdit = AddSpin(row, 150, 5, 60, 0, 255, 1);
    std::tie(RadioButtonCmd3, RadioButtonCmd4) = AddRadioPair(row, QStringLiteral("Cmd 03"), QRect(220, 6, 66, 19),
                                                              QStringLiteral("Cmd 04"), QRect(286, 6, 66, 19));

    row = AddRowFrame(this, 210);
    AddLabel(row, QStringLiteral("View Registers From:"), 8, 7, 140);
    startAddress_ = new AddressSpinEdit(row);
    StartRegEdit = PlaceSpin(startAddress_, 150, 5, 70, 0, 65535, 0);
    AddLabel(row, QStringLiteral("Count:"), 236, 7, 40);
    RegCountEdit = AddSpin(row, 278, 5, 70, 0, 65535, 256);

    row = AddRowFrame(this, 243);
    AddLabel(row, QStringLiteral("Update Period,  ms:"), 8, 7, 140);
    UpdatePeriodEdit = AddSpin(row, 150, 5, 70, 0, 10000, 200, 10);
    // The bit reads, in the room right of the period, under Cmd 03 and
    // Cmd 04 and one choice with them; the dialog keeps its size.
    std::tie(RadioButtonCmd1, RadioButtonCmd2) = AddRadioPair(row, QStringLiteral("Cmd 01"), QRect(226, 6, 64, 19),
                                                              QStringLiteral("Cmd 02"), QRect(290, 6, 64, 19));
    RadioButtonCmd1->setToolTip(QStringLiteral("Read coils (function 01), up to 2000"));
    RadioButtonCmd2->setToolTip(QStringLiteral("Read discrete inputs (function 02), up to 2000"));
    RadioButtonCmd1->group()->removeButton(RadioButtonCmd1);
    RadioButtonCmd2->group()->removeButton(RadioButtonCmd2);
    RadioButtonCmd3->group()->addButton(RadioButtonCmd1);
    RadioButtonCmd3->group()->addButton(RadioButtonCmd2);
    RadioButtonCmd3->setChecked(true);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setGeometry(98, 279, 82, 25);
    // OK is the default button. "Exit" and "&About..." stay auto-default,
    // as buttons of a dialog are: while one of them has the focus, Enter
    // presses that one, and OK takes Enter back when the focus moves on.
    OkButton->setDefault(true);
    CloseButton = new QPushButton(QStringLiteral("Exit"), this);
    CloseButton->setGeometry(188, 279, 82, 25);

    // Tab order: the fields top to bottom as the form lists them, then the
    // buttons. Hidden fields are skipped by the toolkit.
    QWidget *const order[] = {ConnTypeGroup->button(0),
                              ConnTypeGroup->button(1),
                              ConnTypeGroup->button(2),
                              IP_Addr_Edit,
                              IP_PortEdit,
                              UDPLocalPortEdit,
                              MODNET_RButton,
                              MODBUSUDP_RButton,
                              COM_ComboBox,
                              BaudComboBox,
                              ParityCheckBox,
                              RS485_CheckBox,
                              DTR_CheckBox,
                              SlaveAddrEdit,
                              RadioButtonCmd3,
                              RadioButtonCmd4,
                              StartRegEdit,
                              RegCountEdit,
                              UpdatePeriodEdit,
                              RadioButtonCmd1,
                              RadioButtonCmd2,
                              OkButton,
                              CloseButton,
                              AboutButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    connect(LineButton, &QPushButton::clicked, this, [this] { EditSerialLineOptions(this, LineOptions); });

    connect(ConnTypeGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            ConnTypeRGClick(ConnTypeRG);
    });
    connect(COM_ComboBox, &TPortComboBox::dropDown, this, [this] { COM_ComboBoxDropDown(COM_ComboBox); });
    connect(RadioButtonCmd4, &QRadioButton::toggled, this, [this] { ShowAddressNotation(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(OkButton); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(CloseButton); });
    connect(AboutButton, &QPushButton::clicked, this, [this] { AboutButtonClick(AboutButton); });
}

int TSelConnForm::ConnTypeIndex() const
{
    return ConnTypeGroup->checkedId();
}

void TSelConnForm::SetConnTypeIndex(int index)
{
    index = std::clamp(index, -1, 2);
    if (index == ConnTypeIndex())
        return;
    if (index >= 0) {
        ConnTypeGroup->button(index)->setChecked(true);   // runs the panel switch
        return;
    }
    // No item: an exclusive group cannot be emptied while it is exclusive.
    ConnTypeGroup->setExclusive(false);
    for (QAbstractButton *b : ConnTypeGroup->buttons())
        b->setChecked(false);
    ConnTypeGroup->setExclusive(true);
}

void TSelConnForm::LoadSettings()
{
    TarvixSettings s;
    LoadTarvixSettings(s);
    SetConnTypeIndex(s.ConnType);
    SlaveAddrEdit->setValue(s.SlaveAddr);
    StartRegEdit->setValue(s.StartReg);
    RegCountEdit->setValue(s.RegCount);
    // A stored COM name selects its item; any other name (a port found on
    // this machine, a /dev/serial/by-id/... path) stands in the field as it
    // is, so that the next OK saves it unchanged.
    const QString port = QString::fromStdString(s.ComPort);
    SelectItem(COM_ComboBox, port);
    if (COM_ComboBox->currentIndex() < 0)
        COM_ComboBox->setEditText(port);
    SelectItem(BaudComboBox, QString::fromStdString(s.Baud));
    ParityCheckBox->setChecked(s.Parity);
    RS485_CheckBox->setChecked(s.RS485);
    DTR_CheckBox->setChecked(s.DTR);
    IP_Addr_Edit->setText(QString::fromStdString(s.IPAddr));
    IP_PortEdit->setValue(s.Port);
    UDPLocalPortEdit->setValue(s.LocalPort);
    LoadSerialLineSettings(LineOptions);
}

TarvixSettings TSelConnForm::FieldSettings() const
{
    TarvixSettings s;
    s.ConnType = ConnTypeIndex();
    s.SlaveAddr = SlaveAddrEdit->value();
    s.StartReg = StartRegEdit->value();
    s.RegCount = RegCountEdit->value();
    s.IPAddr = IP_Addr_Edit->text().toStdString();
    s.Port = IP_PortEdit->value();
    s.LocalPort = UDPLocalPortEdit->value();
    s.ComPort = COM_ComboBox->currentText().toStdString();
    s.Baud = BaudComboBox->currentText().toStdString();
    s.Parity = ParityCheckBox->isChecked();
    s.RS485 = RS485_CheckBox->isChecked();
    s.DTR = DTR_CheckBox->isChecked();
    return s;
}

void TSelConnForm::ConnTypeRGClick(QObject *)
{
    switch (ConnTypeIndex()) {
    case 0:
    case 1: {
        const bool udp = ConnTypeIndex() == 1;
        TCPIP_Panel->show();
        TCPIP_Panel->raise();
        SerPanel->hide();
        UDPLocPortLabel->setVisible(udp);
        UDPLocalPortEdit->setVisible(udp);
        break;
    }
    case 2:
        SerPanel->show();
        SerPanel->raise();
        TCPIP_Panel->hide();
        // An empty port field gets the first item; a name in the field,
        // typed or stored, stays.
        if (COM_ComboBox->currentIndex() < 0 && COM_ComboBox->currentText().isEmpty() && COM_ComboBox->count() > 0)
            COM_ComboBox->setCurrentIndex(0);
        if (BaudComboBox->currentIndex() < 0)
            BaudComboBox->setCurrentIndex(kDefaultBaudItem);
        break;
    default: break;
    }
}

void TSelConnForm::COM_ComboBoxDropDown(QObject *)
{
    // The list is rebuilt from the ports present now; the text in the field
    // stays as it was, typed or chosen.
    const QString text = COM_ComboBox->currentText();
    const QSignalBlocker block(COM_ComboBox);
    COM_ComboBox->clear();
    for (const std::string &name : ListSerialPorts())
        COM_ComboBox->addItem(QString::fromStdString(name));
    COM_ComboBox->setCurrentIndex(COM_ComboBox->findText(text, Qt::MatchFixedString));
    COM_ComboBox->setEditText(text);
}

void TSelConnForm::SetMainWindow(TTarvix_Form *form)
{
    main_ = form;
    if (form)
        connect(form, &TTarvix_Form::GridViewChanged, this, [this] { ShowAddressNotation(); });
    ShowAddressNotation();
}

void TSelConnForm::ShowAddressNotation()
{
    const TTarvix_Form *form = main_ ? main_ : Tarvix_Form;
    startAddress_->SetNotation(form ? form->GridView().notation : AddressNotation::ZeroBased,
                               RadioButtonCmd4->isChecked() ? RegisterTable::InputRegisters
                                                            : RegisterTable::HoldingRegisters);
}

void TSelConnForm::OkButtonClick(QObject *)
{
    // An address typed for another table, or outside the notation, starts nothing.
    if (startAddress_->Notation() != AddressNotation::ZeroBased)
        startAddress_->interpretText();
    if (const QString why = startAddress_->TakeRefusal(); !why.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("View Registers From: ") + why);
        StartRegEdit->setFocus();
        return;
    }
    const TarvixSettings settings = FieldSettings();
    SaveTarvixSettings(settings);
    SaveSerialLineSettings(LineOptions);

    // Without a connection type there is no channel to open: the dialog
    // stays, as it does for a count above the limit.
    TTarvix_Form *form = main_ ? main_ : Tarvix_Form;
    if (settings.ConnType < 0 || !form)
        return;
    ExchangeChoice choice;
    const QString typeText = ConnTypeGroup->button(settings.ConnType)->text();
    choice.ConnTypeText = typeText.toStdString();
    choice.Cmd4 = RadioButtonCmd4->isChecked();
    choice.BitCmd = RadioButtonCmd1->isChecked() ? 1 : RadioButtonCmd2->isChecked() ? 2 : 0;
    choice.ModbusIP = MODBUSUDP_RButton->isChecked();
    choice.UpdatePeriod = uint32_t(UpdatePeriodEdit->value());
    form->setWindowTitle(QStringLiteral("Tarvix: ") + typeText);
    form->Rec.Conn.Line = LineOptions;
    if (!FillExchangeRecord(settings, choice, form->Rec))
        return;

    form->StartExchange();

    hide();
    form->show();
}

void TSelConnForm::CloseButtonClick(QObject *)
{
    close();
}

void TSelConnForm::AboutButtonClick(QObject *)
{
    if (AboutForm)
        AboutForm->exec();
}

void TSelConnForm::keyPressEvent(QKeyEvent *event)
{
    // Esc closes the dialog like "Exit"; closing the main form ends the
    // program, where a plain dialog would only hide.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
