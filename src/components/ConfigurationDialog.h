#pragma once

#include "platform/Variant.h"

#include <QDialog>
#include <memory>

class QListWidget;
class QStackedWidget;
class clsINIFile;

// The operator's settings dialog: one page per section of pcQUIBA.ini, every key of the schema
// with an editor that fits the kind of its default (check box, number, date, text). Nothing is
// written until the operator saves; then each changed key goes through the INI accessor, which
// erases a key set back to its default.
class ConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConfigurationDialog(std::shared_ptr<clsINIFile> ini, QWidget* parent = nullptr);
    ~ConfigurationDialog() override;

    // Opens the page of the named section (case ignored); an empty or unknown name opens the
    // first page. True when the name matched a page.
    bool selectPage(const QString& panel);
    QString currentPage() const;
    QStringList pageNames() const;

    // The editor of a key on a page, or nullptr.
    QWidget* editor(const QString& section, const QString& key) const;

    // Writes every changed key and closes the dialog as accepted.
    void save();

private:
    struct KeyEditor;
    QWidget* buildPage(const QString& section, const QStringList& keys);
    QWidget* makeEditor(KeyEditor& entry);
    Variant readValue(const KeyEditor& entry) const;
    static Variant editorValue(const KeyEditor& entry);
    void writeValue(const KeyEditor& entry, const Variant& value);

    std::shared_ptr<clsINIFile> m_ini;
    QListWidget* m_pages;
    QStackedWidget* m_stack;
    QList<KeyEditor> m_editors;
};
