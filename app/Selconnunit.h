#pragma once
// The connection parameters dialog: the first window of the program and its
// main form. It loads its fields from the settings file when it is created,
// saves them on OK, copies them into the main window's exchange record,
// starts the exchange and swaps itself for the main window.

#include <QComboBox>
#include <QDialog>
#include <QSpinBox>

#include "engine/serial_line_options.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TShadowLabel;
class TTarvix_Form;
struct TarvixSettings;

// The port field: an editable combo box whose list is rebuilt from the
// serial ports present each time it is about to drop down.
class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void dropDown();   // emitted before the list shows, after it was rebuilt
};

// A numeric field that keeps its value within its range: a number typed
// beyond a bound is accepted while typing and brought to that bound when the
// field is left; a value set by the program is clamped at once.
class AddressSpinEdit;

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

class TSelConnForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelConnForm(QWidget *parent = nullptr);
    ~TSelConnForm() override;

    // Connection type: the selected item of the radio group, -1 for none.
    int ConnTypeIndex() const;
    // Selects an item; the index is kept within -1..2 (above 2 selects
    // "COM Port", below 0 selects nothing). A change of the selection runs
    // the panel switch.
    void SetConnTypeIndex(int index);

    // The main window that OK fills and shows; the application's main window
    // unless set otherwise.
    // The "View Registers From" field follows the main window's address
    // notation.
    void SetMainWindow(TTarvix_Form *form);

    // Event handlers.
    void ConnTypeRGClick(QObject *sender);
    void COM_ComboBoxDropDown(QObject *sender);
    void OkButtonClick(QObject *sender);
    void CloseButtonClick(QObject *sender);
    void AboutButtonClick(QObject *sender);

    // Controls, by their names in the form.
    TShadowLabel *RxLabel1;
    QPushButton *AboutButton;
    QGroupBox *ConnTypeRG;
    QButtonGroup *ConnTypeGroup;
    QFrame *TCPIP_Panel;
    QLineEdit *IP_Addr_Edit;
    QSpinBox *IP_PortEdit;
    QLabel *UDPLocPortLabel;
    QSpinBox *UDPLocalPortEdit;
    QRadioButton *MODNET_RButton;
    QRadioButton *MODBUSUDP_RButton;
    QFrame *SerPanel;
    TPortComboBox *COM_ComboBox;
    QComboBox *BaudComboBox;
    QCheckBox *ParityCheckBox;
    QCheckBox *RS485_CheckBox;
    QCheckBox *DTR_CheckBox;
    QPushButton *LineButton;   // "Line…": the serial line options box
    SerialLineOptions LineOptions;   // what the box shows; [SerialLine] in the settings
    QSpinBox *SlaveAddrEdit;
    QRadioButton *RadioButtonCmd3;
    QRadioButton *RadioButtonCmd4;
    // Coils and discrete inputs, in the same choice as Cmd 03 and Cmd 04.
    QRadioButton *RadioButtonCmd1;
    QRadioButton *RadioButtonCmd2;
    QSpinBox *StartRegEdit;
    QSpinBox *RegCountEdit;
    QSpinBox *UpdatePeriodEdit;
    QPushButton *OkButton;
    QPushButton *CloseButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void BuildForm();
    void LoadSettings();
    TarvixSettings FieldSettings() const;

    TTarvix_Form *main_ = nullptr;
    AddressSpinEdit *startAddress_ = nullptr;   // StartRegEdit, with its notation
    // Shows the start address in the notation for the table the read command reads.
    void ShowAddressNotation();
};

extern TSelConnForm *SelConnForm;   // the application's connection dialog
