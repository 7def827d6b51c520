#include "CustomerScreen.h"

#include "Money.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScroller>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

enum Page { ProductPage = 0, KeypadPage = 1, MessagePage = 2 };

constexpr int kTileColumns = 4;
constexpr int kTouchHeight = 64;

// One colour per supplier, in catalogue order.
const char* const kSupplierColours[] = {"#1565c0", "#2e7d32", "#c62828", "#6a1b9a", "#ef6c00", "#00838f"};

const char* const kStyle = R"(
CustomerScreen { background: #eef2f7; }
#header { background: #0d3b66; }
#brand { color: white; font-size: 28px; font-weight: bold; }
#instruction { color: #cfe3ff; font-size: 18px; }
#supplierTitle { font-size: 22px; font-weight: bold; padding: 4px 0px; }
QPushButton { border-radius: 12px; font-size: 18px; }
#tile { background: white; border: 3px solid; }
#tile:pressed { background: #dbe7f5; }
#tileName { font-size: 17px; font-weight: bold; }
#tilePrice { font-size: 24px; font-weight: bold; }
QScrollBar:vertical { width: 14px; background: transparent; }
QScrollBar::handle:vertical { background: #b8c4d2; border-radius: 7px; min-height: 40px; }
QScrollBar::add-line, QScrollBar::sub-line { height: 0px; }
#basketPanel { background: white; border-left: 2px solid #c9d3df; }
#basketLine { border-bottom: 1px solid #e1e6ec; }
#basketTitle { font-size: 24px; font-weight: bold; color: #0d3b66; }
#emptyBasket { color: #7a8594; font-size: 17px; }
#lineText { font-size: 17px; }
#linePrice { font-size: 17px; font-weight: bold; }
#remove { background: #f1f3f6; border: 2px solid #c9d3df; font-size: 22px; color: #c62828; }
#totalLabel { font-size: 20px; color: #3b4756; }
#total { font-size: 34px; font-weight: bold; color: #0d3b66; }
#pay { background: #2e7d32; color: white; font-size: 28px; font-weight: bold; }
#pay:disabled { background: #a5c8a7; }
#cancel { background: #c62828; color: white; font-size: 22px; font-weight: bold; }
#cancel:disabled { background: #e2a6a6; }
#prompt { font-size: 30px; font-weight: bold; color: #0d3b66; }
#error { font-size: 19px; color: #c62828; font-weight: bold; }
#hint { font-size: 17px; color: #3b4756; }
#entry { font-size: 36px; padding: 8px; border: 3px solid #0d3b66; border-radius: 10px; background: white; }
#key { background: white; border: 2px solid #9fb0c4; font-size: 30px; font-weight: bold; }
#key:pressed { background: #dbe7f5; }
#ok { background: #2e7d32; color: white; font-size: 26px; font-weight: bold; }
#back { background: #607d8b; color: white; font-size: 22px; }
#messageTitle { font-size: 36px; font-weight: bold; color: #0d3b66; }
#messageText { font-size: 22px; color: #3b4756; }
)";

QPushButton* touchButton(const QString& text, const QString& objectName, int height = kTouchHeight)
{
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setMinimumHeight(height);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// A scroll area a finger drags; it never scrolls sideways.
QScrollArea* touchScrollArea(QWidget* content)
{
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    QScroller::grabGesture(scroll->viewport(), QScroller::LeftMouseButtonGesture);
    return scroll;
}

QLabel* label(const QString& text, const QString& objectName)
{
    auto* result = new QLabel(text);
    result->setObjectName(objectName);
    return result;
}

} // namespace

CustomerScreen::CustomerScreen(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("pcQUIBA"));
    setStyleSheet(QString::fromLatin1(kStyle));
    setAttribute(Qt::WA_StyledBackground);
    resize(1024, 768);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    m_pages = new QStackedWidget;
    m_pages->addWidget(makeProductPage());
    m_pages->addWidget(makeKeypadPage());
    m_pages->addWidget(makeMessagePage());
    body->addWidget(m_pages, 1);
    body->addWidget(makeBasketPanel());

    auto* screen = new QVBoxLayout(this);
    screen->setContentsMargins(0, 0, 0, 0);
    screen->setSpacing(0);
    screen->addWidget(makeHeader());
    screen->addLayout(body, 1);
    setBasket({}, 0, false, false);
}

QWidget* CustomerScreen::makeHeader()
{
    auto* header = new QFrame;
    header->setObjectName(QStringLiteral("header"));
    header->setFixedHeight(76);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(24, 0, 24, 0);
    layout->addWidget(label(QStringLiteral("Vouchers & Top-ups"), QStringLiteral("brand")));
    layout->addStretch(1);
    layout->addWidget(label(QStringLiteral("Touch a product to add it to your basket"), QStringLiteral("instruction")));
    return header;
}

QWidget* CustomerScreen::makeProductPage()
{
    auto* content = new QWidget;
    m_supplierSections = new QVBoxLayout(content);
    m_supplierSections->setContentsMargins(24, 16, 24, 16);
    m_supplierSections->setSpacing(10);
    return touchScrollArea(content);
}

QPushButton* CustomerScreen::makeKey(const QString& text, const QString& objectName)
{
    auto* key = touchButton(text, objectName, 76);
    key->setMinimumWidth(110);
    return key;
}

QWidget* CustomerScreen::makeKeypadPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(48, 24, 48, 24);
    layout->setSpacing(12);
    m_prompt = label({}, QStringLiteral("prompt"));
    m_prompt->setAlignment(Qt::AlignCenter);
    m_hint = label({}, QStringLiteral("hint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_error = label({}, QStringLiteral("error"));
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setWordWrap(true);
    m_entry = new QLineEdit;
    m_entry->setObjectName(QStringLiteral("entry"));
    m_entry->setReadOnly(true);
    m_entry->setAlignment(Qt::AlignCenter);
    m_entry->setFocusPolicy(Qt::NoFocus);
    m_entry->setMinimumHeight(kTouchHeight + 8);
    layout->addWidget(m_prompt);
    layout->addWidget(m_hint);
    layout->addWidget(m_entry);
    layout->addWidget(m_error);

    auto* keys = new QGridLayout;
    keys->setSpacing(10);
    const QString digits = QStringLiteral("123456789");
    for (int index = 0; index < digits.size(); ++index) {
        QPushButton* key = makeKey(digits.at(index), QStringLiteral("key"));
        m_keys.insert(digits.at(index), key);
        keys->addWidget(key, index / 3, index % 3);
    }
    QPushButton* clear = makeKey(QStringLiteral("Clear"), QStringLiteral("key"));
    QPushButton* zero = makeKey(QStringLiteral("0"), QStringLiteral("key"));
    QPushButton* erase = makeKey(QStringLiteral("\u232B"), QStringLiteral("key"));
    m_keys.insert(u'0', zero);
    keys->addWidget(clear, 3, 0);
    keys->addWidget(zero, 3, 1);
    keys->addWidget(erase, 3, 2);
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        const QChar digit = it.key();
        connect(it.value(), &QPushButton::clicked, this, [this, digit] { m_entry->setText(m_entry->text() + digit); });
    }
    connect(clear, &QPushButton::clicked, m_entry, &QLineEdit::clear);
    connect(erase, &QPushButton::clicked, this, [this] { m_entry->setText(m_entry->text().chopped(qMin<qsizetype>(1, m_entry->text().size()))); });
    auto* keyBlock = new QHBoxLayout;
    keyBlock->addStretch(1);
    keyBlock->addLayout(keys, 4);
    keyBlock->addStretch(1);
    layout->addLayout(keyBlock);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(16);
    m_back = touchButton(QStringLiteral("Back"), QStringLiteral("back"), 72);
    m_ok = touchButton(QStringLiteral("OK"), QStringLiteral("ok"), 72);
    actions->addWidget(m_back, 1);
    actions->addWidget(m_ok, 2);
    layout->addLayout(actions);
    layout->addStretch(1);
    connect(m_ok, &QPushButton::clicked, this, [this] { Q_EMIT dataEntered(m_entry->text()); });
    connect(m_back, &QPushButton::clicked, this, &CustomerScreen::dataCancelled);
    return page;
}

QWidget* CustomerScreen::makeMessagePage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(48, 48, 48, 48);
    m_messageTitle = label({}, QStringLiteral("messageTitle"));
    m_messageText = label({}, QStringLiteral("messageText"));
    for (QLabel* text : {m_messageTitle, m_messageText}) {
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
    }
    layout->addStretch(1);
    layout->addWidget(m_messageTitle);
    layout->addSpacing(16);
    layout->addWidget(m_messageText);
    layout->addStretch(2);
    return page;
}

QWidget* CustomerScreen::makeBasketPanel()
{
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("basketPanel"));
    panel->setFixedWidth(320);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(label(QStringLiteral("Your basket"), QStringLiteral("basketTitle")));

    auto* lines = new QWidget;
    m_basketLines = new QVBoxLayout(lines);
    m_basketLines->setContentsMargins(0, 0, 0, 0);
    m_basketLines->setSpacing(8);
    layout->addWidget(touchScrollArea(lines), 1);

    auto* totalRow = new QHBoxLayout;
    m_totalLabel = label(QStringLiteral("Total"), QStringLiteral("totalLabel"));
    totalRow->addWidget(m_totalLabel);
    totalRow->addStretch(1);
    m_total = label({}, QStringLiteral("total"));
    totalRow->addWidget(m_total);
    layout->addLayout(totalRow);

    m_pay = touchButton(QStringLiteral("Pay"), QStringLiteral("pay"), 88);
    m_cancel = touchButton(QStringLiteral("Cancel"), QStringLiteral("cancel"), 68);
    layout->addWidget(m_pay);
    layout->addWidget(m_cancel);
    connect(m_pay, &QPushButton::clicked, this, &CustomerScreen::payPressed);
    connect(m_cancel, &QPushButton::clicked, this, &CustomerScreen::cancelPressed);
    return panel;
}

void CustomerScreen::clearLayout(QVBoxLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        else if (QLayout* inner = item->layout())
            inner->deleteLater();
        delete item;
    }
}

void CustomerScreen::setCatalogue(const Catalogue& catalogue)
{
    clearLayout(m_supplierSections);
    m_productTiles.clear();
    if (catalogue.isEmpty()) {
        auto* none = label(QStringLiteral("No products are on sale at this kiosk."), QStringLiteral("supplierTitle"));
        none->setAlignment(Qt::AlignCenter);
        m_supplierSections->addWidget(none);
    }
    const QStringList suppliers = catalogue.supplierNames();
    for (int index = 0; index < suppliers.size(); ++index) {
        const QString colour = QString::fromLatin1(kSupplierColours[index % std::size(kSupplierColours)]);
        auto* title = label(suppliers.at(index), QStringLiteral("supplierTitle"));
        title->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
        m_supplierSections->addWidget(title);
        auto* grid = new QGridLayout;
        grid->setSpacing(12);
        for (int column = 0; column < kTileColumns; ++column)
            grid->setColumnStretch(column, 1);
        int position = 0;
        for (const CatalogueProduct& product : catalogue.products()) {
            if (product.supplierName != suppliers.at(index))
                continue;
            QPushButton* tile = makeTile(product, colour);
            const QString id = product.id;
            connect(tile, &QPushButton::clicked, this, [this, id] { Q_EMIT productChosen(id); });
            m_productTiles.insert(id.toLower(), tile);
            grid->addWidget(tile, position / kTileColumns, position % kTileColumns);
            ++position;
        }
        m_supplierSections->addLayout(grid);
    }
    m_supplierSections->addStretch(1);
}

QPushButton* CustomerScreen::makeTile(const CatalogueProduct& product, const QString& colour)
{
    // The name wraps inside the tile, so four tiles stand side by side.
    QPushButton* tile = touchButton({}, QStringLiteral("tile"), 112);
    tile->setMinimumWidth(120);
    tile->setAccessibleName(product.name);
    tile->setStyleSheet(QStringLiteral("#tile { border-color: %1; } QLabel { color: %1; background: transparent; }").arg(colour));
    auto* name = label(product.name, QStringLiteral("tileName"));
    auto* price = label(Money::text(product.price), QStringLiteral("tilePrice"));
    auto* layout = new QVBoxLayout(tile);
    layout->setContentsMargins(10, 8, 10, 8);
    for (QLabel* text : {name, price}) {
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
        text->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(text);
    }
    return tile;
}

void CustomerScreen::setBasket(const QList<BasketLine>& lines, qint64 total, bool canPay, bool paid)
{
    clearLayout(m_basketLines);
    m_removeButtons.clear();
    if (lines.isEmpty()) {
        m_basketLines->addWidget(label(QStringLiteral("Your basket is empty."), QStringLiteral("emptyBasket")));
    }
    for (const BasketLine& line : lines) {
        auto* row = new QFrame;
        row->setObjectName(QStringLiteral("basketLine"));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 6);
        auto* text = label(line.text, QStringLiteral("lineText"));
        text->setWordWrap(true);
        layout->addWidget(text, 1);
        layout->addWidget(label(Money::text(line.price), QStringLiteral("linePrice")));
        if (line.removable) {
            QPushButton* remove = touchButton(QStringLiteral("\u2715"), QStringLiteral("remove"));
            remove->setFixedWidth(kTouchHeight);
            const qint32 id = line.id;
            connect(remove, &QPushButton::clicked, this, [this, id] { Q_EMIT removeRequested(id); });
            m_removeButtons.append(remove);
            layout->addWidget(remove);
        }
        m_basketLines->addWidget(row);
    }
    m_basketLines->addStretch(1);
    m_total->setText(Money::text(total));
    m_totalLabel->setText(paid ? QStringLiteral("Paid") : QStringLiteral("Total"));
    m_canPay = canPay;
    m_pay->setEnabled(canPay);
    m_pay->setVisible(!paid);
    m_cancel->setVisible(!paid);
}

void CustomerScreen::showProducts()
{
    m_pages->setCurrentIndex(ProductPage);
}

void CustomerScreen::askForData(const QString& prompt, const QString& error, const QString& hint)
{
    m_prompt->setText(prompt);
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
    m_hint->setText(hint);
    m_entry->clear();
    m_pages->setCurrentIndex(KeypadPage);
}

void CustomerScreen::showMessage(const QString& title, const QString& text)
{
    m_messageTitle->setText(title);
    m_messageText->setText(text);
    m_pages->setCurrentIndex(MessagePage);
}

void CustomerScreen::setInputEnabled(bool enabled)
{
    m_pages->setEnabled(enabled);
    m_pay->setEnabled(enabled && m_canPay);
    m_cancel->setEnabled(enabled);
    for (QPushButton* remove : std::as_const(m_removeButtons))
        remove->setVisible(enabled);
}

bool CustomerScreen::chooseProduct(const QString& productId)
{
    QPushButton* tile = m_productTiles.value(productId.toLower());
    if (!tile || m_pages->currentIndex() != ProductPage || !m_pages->isEnabled())
        return false;
    tile->click();
    return true;
}

bool CustomerScreen::pressKeys(const QString& keys)
{
    if (m_pages->currentIndex() != KeypadPage)
        return false;
    // All or nothing: a key the pad does not have presses none of them.
    for (const QChar key : keys) {
        if (!m_keys.contains(key))
            return false;
    }
    for (const QChar key : keys)
        m_keys.value(key)->click();
    return true;
}

void CustomerScreen::pressOk()
{
    m_ok->click();
}

void CustomerScreen::pressBack()
{
    m_back->click();
}

void CustomerScreen::pressPay()
{
    m_pay->click();
}

void CustomerScreen::pressCancel()
{
    m_cancel->click();
}

bool CustomerScreen::removeLine(int position)
{
    if (position < 1 || position > m_removeButtons.size())
        return false;
    m_removeButtons.at(position - 1)->click();
    return true;
}

void CustomerScreen::swipeCard(const QString& track)
{
    Q_EMIT cardSwiped(track);
}

QString CustomerScreen::enteredText() const
{
    return m_entry->text();
}

QString CustomerScreen::shownTitle() const
{
    switch (m_pages->currentIndex()) {
    case KeypadPage:
        return m_prompt->text();
    case MessagePage:
        return m_messageTitle->text();
    default:
        return {};
    }
}
