#include "config/clsIterator.h"

#include "services/ProcedureFrame.h"
#include "platform/Dictionary.h"

using namespace Qt::StringLiterals;

namespace {

template <class Body>
auto rethrowing(const QString& procedure, Body&& body) -> decltype(body())
{
    ProcedureFrame frame(procedure, clsIterator::kClassName);
    return frame.run(ErrorExit::rethrow(), std::forward<Body>(body));
}

} // namespace

QString clsIterator::className() const
{
    return kClassName;
}

void clsIterator::Init(const std::shared_ptr<Dictionary>& entries, bool sorted)
{
    rethrowing(u"Init"_s, [&] {
        m_keys = entries ? entries->keys() : QStringList();
        if (sorted)
            zSortKeys();
        m_cursor = -1;
    });
}

bool clsIterator::HasNext() const
{
    return rethrowing(u"HasNext"_s, [&] { return m_cursor < m_keys.size() - 1; });
}

QString clsIterator::NextKey()
{
    return rethrowing(u"NextKey"_s, [&] {
        if (m_cursor >= m_keys.size() - 1)
            return QString();
        return m_keys.at(++m_cursor);
    });
}

void clsIterator::zSortKeys()
{
    rethrowing(u"zSortKeys"_s, [&] {
        for (qsizetype last = m_keys.size() - 1; last > 0; --last) {
            for (qsizetype i = 0; i < last; ++i) {
                if (m_keys.at(i + 1) < m_keys.at(i))
                    m_keys.swapItemsAt(i, i + 1);
            }
        }
    });
}
