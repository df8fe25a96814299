#pragma once
// The application object and the program's three windows.

#include <QApplication>
#include <memory>

class TAboutForm;
class TSelConnForm;
class TTarvix_Form;

// The application object. An exception that escapes an event handler is
// shown in a message box with its text, and the program goes on.
class TarvixApplication : public QApplication {
    Q_OBJECT
public:
    TarvixApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows an exception's text in an error box captioned with the program's
// title.
void ShowExceptionMessage(const char *what);

// The three windows, owned for the program's life. Created in this order:
// the connection dialog (the main form, which loads the settings), the main
// window (hidden) and the About box (hidden); destroyed in reverse order.
struct TarvixWindows {
    std::unique_ptr<TSelConnForm> dialog;
    std::unique_ptr<TTarvix_Form> main;
    std::unique_ptr<TAboutForm> about;

    TarvixWindows();
    ~TarvixWindows();
    TarvixWindows(const TarvixWindows &) = delete;
    TarvixWindows &operator=(const TarvixWindows &) = delete;
};

// The application's title, shown on the task bar.
inline constexpr const char *kApplicationTitle = "Tarvix";
