#pragma once

#include <QWidget>

// A named window of the program that is loaded and unloaded explicitly. Loading (construction)
// puts it in the loaded-forms list; unload() takes it out at once, hides it and destroys it
// from the event loop, so a form may unload itself from inside one of its own handlers.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const QString& formName, QWidget* parent = nullptr);
    ~Form() override;

    const QString& formName() const { return m_formName; }
    bool isUnloading() const { return m_unloading; }

    // Leaves the loaded-forms list and schedules the destruction; later calls do nothing.
    void unload();

private:
    QString m_formName;
    bool m_unloading = false;
};
