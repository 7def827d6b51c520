#pragma once

#include <QString>
#include <QStringList>

class Form;

// The program's loaded forms, in loading order: a form is in the list from its load until its
// unload, and the list answers whether a form of a given name is loaded.
class FormRegistry {
public:
    // Names compare without regard to case.
    static bool isLoaded(const QString& formName);
    static Form* find(const QString& formName);
    static QStringList loadedNames();

private:
    friend class Form;
    static void add(Form* form);
    static void remove(Form* form);
};
