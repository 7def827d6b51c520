#include "platform/Form.h"

#include "platform/FormRegistry.h"

Form::Form(const QString& formName, QWidget* parent) : QWidget(parent), m_formName(formName)
{
    setObjectName(formName);
    FormRegistry::add(this);
}

Form::~Form()
{
    FormRegistry::remove(this);
}

void Form::unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    FormRegistry::remove(this);
    hide();
    deleteLater();
}
