#include "components/ConfigurationDialog.h"

#include "components/ConfigurationSchema.h"
#include "services/MessageBoxes.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "config/PrinterDeviceRule.h"
#include "config/clsINIFile.h"
#include "platform/AutomationError.h"
#include "platform/DateValue.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const char* const kDialogStyleSheet = R"(
QDialog { background: #ffffff; }
#header { background: #17233d; }
#title { color: #ffffff; font-size: 20px; font-weight: 700; }
#fileName { color: #aab6cf; font-size: 11px; }
QListWidget { border: none; border-right: 1px solid #dfe1e6; background: #f4f5f7; font-size: 13px;
              padding: 8px 0; outline: none; }
QListWidget::item { height: 27px; padding-left: 20px; color: #17233d; border: none; }
QListWidget::item:selected { height: 27px; padding-left: 20px; background: #deebff; color: #0b66e4;
                             border-left: 3px solid #0b66e4; }
QScrollArea, #pageContent { background: #ffffff; border: none; }
#pageTitle { color: #17233d; font-size: 16px; font-weight: 600; }
#pageHint { color: #6b778c; font-size: 11px; }
QLabel { color: #42526e; }
#footer { background: #f4f5f7; border-top: 1px solid #dfe1e6; }
QPushButton { min-height: 30px; padding: 0 16px; border-radius: 4px; border: 1px solid #c1c7d0; background: #ffffff; }
QPushButton:default { background: #0b66e4; border-color: #0b66e4; color: #ffffff; font-weight: 600; }
)";

constexpr const char* kDateFormat = "dd-MMM-yyyy hh:mm:ss";

} // namespace

struct ConfigurationDialog::KeyEditor {
    // The editor a key gets follows the type of its default value.
    enum class Kind { Boolean, Integer, Number, Date, Text };
    static Kind kindOf(const Variant& defaultValue);

    QString section;
    QString key;
    Variant defaultValue;
    Kind kind = Kind::Text;
    QWidget* widget = nullptr;
    Variant original;
};

ConfigurationDialog::KeyEditor::Kind ConfigurationDialog::KeyEditor::kindOf(const Variant& defaultValue)
{
    switch (defaultValue.kind()) {
    case Variant::Kind::Boolean:
        return Kind::Boolean;
    case Variant::Kind::Integer:
        return Kind::Integer;
    case Variant::Kind::Single:
    case Variant::Kind::Double:
        return Kind::Number;
    case Variant::Kind::Date:
        return Kind::Date;
    default:
        return Kind::Text;
    }
}

ConfigurationDialog::ConfigurationDialog(std::shared_ptr<clsINIFile> ini, QWidget* parent)
    : QDialog(parent), m_ini(std::move(ini)), m_pages(new QListWidget(this)), m_stack(new QStackedWidget(this))
{
    setObjectName(u"ConfigurationDialog"_s);
    setWindowTitle(u"pcQUIBA Settings"_s);
    setStyleSheet(QString::fromLatin1(kDialogStyleSheet));
    resize(780, 560);

    auto* header = new QWidget(this);
    header->setObjectName(u"header"_s);
    header->setAttribute(Qt::WA_StyledBackground);
    auto* title = new QLabel(u"pcQUIBA Settings"_s, header);
    title->setObjectName(u"title"_s);
    auto* fileName = new QLabel(m_ini->FileName(), header);
    fileName->setObjectName(u"fileName"_s);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(24, 16, 24, 14);
    headerLayout->setSpacing(2);
    headerLayout->addWidget(title);
    headerLayout->addWidget(fileName);

    m_pages->setFixedWidth(190);
    m_pages->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const ConfigurationSchema::Section& section : ConfigurationSchema::sections()) {
        m_pages->addItem(section.name);
        m_stack->addWidget(buildPage(section.name, section.keys));
    }
    connect(m_pages, &QListWidget::currentRowChanged, m_stack, &QStackedWidget::setCurrentIndex);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(m_pages);
    body->addWidget(m_stack, 1);

    auto* footer = new QWidget(this);
    footer->setObjectName(u"footer"_s);
    footer->setAttribute(Qt::WA_StyledBackground);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, footer);
    buttons->button(QDialogButtonBox::Save)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigurationDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(24, 10, 24, 10);
    footerLayout->addWidget(buttons);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(header);
    page->addLayout(body, 1);
    page->addWidget(footer);

    m_pages->setCurrentRow(0);
}

ConfigurationDialog::~ConfigurationDialog() = default;

QWidget* ConfigurationDialog::buildPage(const QString& section, const QStringList& keys)
{
    auto* content = new QWidget;
    content->setObjectName(u"pageContent"_s);
    content->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 18, 24, 18);
    auto* heading = new QLabel(section, content);
    heading->setObjectName(u"pageTitle"_s);
    auto* hint = new QLabel(u"A key left at its default is not written to the file."_s, content);
    hint->setObjectName(u"pageHint"_s);
    layout->addWidget(heading);
    layout->addWidget(hint);
    layout->addSpacing(8);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(8);
    for (const QString& key : keys) {
        KeyEditor entry{section, key, IniDefaults::iniDefault(key), KeyEditor::Kind::Text, nullptr, {}};
        entry.kind = KeyEditor::kindOf(entry.defaultValue);
        entry.original = readValue(entry);
        QWidget* widget = makeEditor(entry);
        // Compared as the editor shows it, so an untouched key is never rewritten.
        entry.original = editorValue(entry);
        widget->setObjectName(section + u'/' + key);
        widget->setToolTip(entry.defaultValue.isEmpty() ? u"No default"_s
                                                        : u"Default: "_s + entry.defaultValue.toString());
        form->addRow(key, widget);
        m_editors.append(entry);
    }
    layout->addLayout(form);
    layout->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    return scroll;
}

Variant ConfigurationDialog::readValue(const KeyEditor& entry) const
{
    const clsINIFile& ini = *m_ini;
    const Variant& fallback = entry.defaultValue;
    try {
        switch (entry.kind) {
        case KeyEditor::Kind::Boolean:
            return ini.GetBoolean(entry.section, entry.key, fallback.toBool());
        case KeyEditor::Kind::Integer:
            return ini.GetInteger(entry.section, entry.key, fallback.toInteger());
        case KeyEditor::Kind::Number:
            return ini.GetDouble(entry.section, entry.key, fallback.toDouble());
        case KeyEditor::Kind::Date:
            return Variant::fromDate(ini.GetDate(entry.section, entry.key, fallback.toDate()));
        case KeyEditor::Kind::Text:
            break;
        }
        return ini.GetString(entry.section, entry.key, fallback.toString());
    } catch (const AutomationError&) {
        // A value the accessor cannot read shows as the default.
        return fallback.isEmpty() ? Variant(QString()) : fallback;
    }
}

QWidget* ConfigurationDialog::makeEditor(KeyEditor& entry)
{
    const Variant& value = entry.original;
    switch (entry.kind) {
    case KeyEditor::Kind::Boolean: {
        auto* box = new QCheckBox;
        box->setChecked(value.toBool());
        entry.widget = box;
        break;
    }
    case KeyEditor::Kind::Integer: {
        auto* spin = new QSpinBox;
        spin->setRange(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
        spin->setValue(value.toInteger());
        spin->setMinimumWidth(120);
        entry.widget = spin;
        break;
    }
    case KeyEditor::Kind::Number: {
        auto* spin = new QDoubleSpinBox;
        spin->setDecimals(3);
        spin->setRange(-1e9, 1e9);
        spin->setValue(value.toDouble());
        spin->setMinimumWidth(120);
        entry.widget = spin;
        break;
    }
    case KeyEditor::Kind::Date: {
        auto* edit = new QDateTimeEdit(DateValue::toDateTime(value.toDate()));
        edit->setDisplayFormat(QString::fromLatin1(kDateFormat));
        edit->setMinimumDateTime(DateValue::toDateTime(0.0));
        edit->setMinimumWidth(200);
        entry.widget = edit;
        break;
    }
    case KeyEditor::Kind::Text: {
        auto* line = new QLineEdit(value.toString());
        line->setPlaceholderText(entry.defaultValue.toString());
        line->setMinimumWidth(320);
        entry.widget = line;
        break;
    }
    }
    return entry.widget;
}

Variant ConfigurationDialog::editorValue(const KeyEditor& entry)
{
    switch (entry.kind) {
    case KeyEditor::Kind::Boolean:
        return static_cast<QCheckBox*>(entry.widget)->isChecked();
    case KeyEditor::Kind::Integer:
        return qint16(static_cast<QSpinBox*>(entry.widget)->value());
    case KeyEditor::Kind::Number:
        return static_cast<QDoubleSpinBox*>(entry.widget)->value();
    case KeyEditor::Kind::Date:
        return Variant::fromDate(DateValue::fromDateTime(static_cast<QDateTimeEdit*>(entry.widget)->dateTime()));
    case KeyEditor::Kind::Text:
        break;
    }
    return static_cast<QLineEdit*>(entry.widget)->text();
}

void ConfigurationDialog::writeValue(const KeyEditor& entry, const Variant& value)
{
    clsINIFile& ini = *m_ini;
    const Variant& fallback = entry.defaultValue;
    switch (entry.kind) {
    case KeyEditor::Kind::Boolean:
        ini.WriteBoolean(entry.section, entry.key, value.toBool(), fallback.toBool());
        return;
    case KeyEditor::Kind::Integer:
        ini.WriteInteger(entry.section, entry.key, value.toInteger(), fallback.toInteger());
        return;
    case KeyEditor::Kind::Number:
        ini.WriteDouble(entry.section, entry.key, value.toDouble(), fallback.toDouble());
        return;
    case KeyEditor::Kind::Date:
        ini.WriteDate(entry.section, entry.key, value.toDate(), fallback.toDate());
        return;
    case KeyEditor::Kind::Text:
        break;
    }
    ini.WriteString(entry.section, entry.key, value.toString(), fallback.toString());
}

void ConfigurationDialog::save()
{
    // A printer device that would have the job written over a file is not saved, nor anything else.
    QString printerType = m_ini->GetString(IniSections::Printer, IniKeys::PrinterType);
    QString printerDevice = m_ini->GetString(IniSections::Printer, IniKeys::PrinterDevice);
    for (const KeyEditor& entry : m_editors) {
        if (entry.section.compare(IniSections::Printer, Qt::CaseInsensitive) != 0)
            continue;
        if (entry.key == IniKeys::PrinterType)
            printerType = editorValue(entry).toString();
        else if (entry.key == IniKeys::PrinterDevice)
            printerDevice = editorValue(entry).toString();
    }
    if (const QString why = PrinterDeviceRule::refusal(printerType, printerDevice); !why.isEmpty()) {
        MessageBoxes::show({why, windowTitle()});
        return;
    }
    for (const KeyEditor& entry : m_editors) {
        const Variant value = editorValue(entry);
        if (!(value == entry.original))
            writeValue(entry, value);
    }
    accept();
}

bool ConfigurationDialog::selectPage(const QString& panel)
{
    const QStringList names = pageNames();
    for (qsizetype row = 0; row < names.size(); ++row) {
        if (names[row].compare(panel.trimmed(), Qt::CaseInsensitive) == 0) {
            m_pages->setCurrentRow(int(row));
            return true;
        }
    }
    m_pages->setCurrentRow(0);
    return false;
}

QString ConfigurationDialog::currentPage() const
{
    const QListWidgetItem* item = m_pages->currentItem();
    return item ? item->text() : QString();
}

QStringList ConfigurationDialog::pageNames() const
{
    QStringList names;
    for (int row = 0; row < m_pages->count(); ++row)
        names.append(m_pages->item(row)->text());
    return names;
}

QWidget* ConfigurationDialog::editor(const QString& section, const QString& key) const
{
    for (const KeyEditor& entry : m_editors) {
        if (entry.section == section && entry.key == key)
            return entry.widget;
    }
    return nullptr;
}
