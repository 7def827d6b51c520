#pragma once

#include "Catalogue.h"

#include <QHash>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

// The kiosk screen the customer touches: product tiles grouped by supplier, the basket with its
// total, a keypad for the data a product needs, and pay and cancel. It only shows and reports;
// the engine decides. Every control is at least 64 pixels high, for fingers.
class CustomerScreen : public QWidget {
    Q_OBJECT
public:
    struct BasketLine {
        qint32 id;
        QString text;
        qint64 price; // ten-thousandths
        bool removable;
    };

    explicit CustomerScreen(QWidget* parent = nullptr);

    void setCatalogue(const Catalogue& catalogue);
    // paid: the basket is committed; it can be neither paid nor cancelled any more.
    void setBasket(const QList<BasketLine>& lines, qint64 total, bool canPay, bool paid);
    // The product tiles.
    void showProducts();
    // The keypad, asking for a product's data; error is shown in red above it.
    void askForData(const QString& prompt, const QString& error, const QString& hint);
    // A full-screen message instead of the products (busy, thank you, not assigned).
    void showMessage(const QString& title, const QString& text);
    // Whether the customer may still change the sale (false while the host is busy).
    void setInputEnabled(bool enabled);

    // What a customer does, for the scripted customer: each clicks the real control.
    bool chooseProduct(const QString& productId);
    bool pressKeys(const QString& keys);
    void pressOk();
    void pressBack();
    void pressPay();
    void pressCancel();
    bool removeLine(int position);
    void swipeCard(const QString& track);

    QString enteredText() const;
    QString shownTitle() const;

Q_SIGNALS:
    void productChosen(const QString& productId);
    void removeRequested(qint32 itemId);
    void dataEntered(const QString& data);
    void dataCancelled();
    void payPressed();
    void cancelPressed();
    void cardSwiped(const QString& track);

private:
    QWidget* makeHeader();
    QWidget* makeProductPage();
    QWidget* makeKeypadPage();
    QWidget* makeMessagePage();
    QWidget* makeBasketPanel();
    QPushButton* makeKey(const QString& text, const QString& objectName);
    QPushButton* makeTile(const CatalogueProduct& product, const QString& colour);
    void clearLayout(QVBoxLayout* layout);

    QStackedWidget* m_pages = nullptr;
    QVBoxLayout* m_supplierSections = nullptr;
    QHash<QString, QPushButton*> m_productTiles;
    QLabel* m_prompt = nullptr;
    QLabel* m_error = nullptr;
    QLabel* m_hint = nullptr;
    QLineEdit* m_entry = nullptr;
    QHash<QChar, QPushButton*> m_keys;
    QPushButton* m_ok = nullptr;
    QPushButton* m_back = nullptr;
    QLabel* m_messageTitle = nullptr;
    QLabel* m_messageText = nullptr;
    QVBoxLayout* m_basketLines = nullptr;
    QList<QPushButton*> m_removeButtons;
    QLabel* m_emptyBasket = nullptr;
    QLabel* m_totalLabel = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_pay = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_canPay = false;
};
