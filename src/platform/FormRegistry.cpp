#include "platform/FormRegistry.h"

#include "platform/Form.h"

#include <QList>

namespace {

QList<Form*>& loadedForms()
{
    static QList<Form*> forms;
    return forms;
}

} // namespace

bool FormRegistry::isLoaded(const QString& formName)
{
    return find(formName) != nullptr;
}

Form* FormRegistry::find(const QString& formName)
{
    for (Form* form : loadedForms()) {
        if (form->formName().compare(formName, Qt::CaseInsensitive) == 0)
            return form;
    }
    return nullptr;
}

QStringList FormRegistry::loadedNames()
{
    QStringList names;
    for (const Form* form : loadedForms())
        names.append(form->formName());
    return names;
}

void FormRegistry::add(Form* form)
{
    if (!loadedForms().contains(form))
        loadedForms().append(form);
}

void FormRegistry::remove(Form* form)
{
    loadedForms().removeAll(form);
}
