#include "services/Services.h"

#include "services/MemoryErrorHandler.h"
#include "services/PlaceholderText.h"

namespace {

class SilentLogger : public Logger {
public:
    QString className() const override { return QStringLiteral("SilentLogger"); }
    void setLogName(const QString&) override {}
    void setThreshold(qint32) override {}
    void log(const Variant&, qint32) override {}
};

class EmptyLexicon : public Lexicon {
public:
    QString className() const override { return QStringLiteral("EmptyLexicon"); }
    void load(const QString&) override {}
    QString text(const QString&, const QString&, const QString& defaultText, const VariantArray& arguments) override
    {
        return PlaceholderText::fill(defaultText, arguments);
    }
};

struct ServiceSet {
    std::shared_ptr<ErrorHandler> errorHandler = std::make_shared<MemoryErrorHandler>();
    std::shared_ptr<Logger> logger = std::make_shared<SilentLogger>();
    std::shared_ptr<Lexicon> lexicon = std::make_shared<EmptyLexicon>();
};

ServiceSet& services()
{
    static ServiceSet set;
    return set;
}

} // namespace

ErrorHandler& Services::errorHandler()
{
    return *services().errorHandler;
}

Logger& Services::logger()
{
    return *services().logger;
}

Lexicon& Services::lexicon()
{
    return *services().lexicon;
}

void Services::setErrorHandler(std::shared_ptr<ErrorHandler> handler)
{
    if (handler)
        services().errorHandler = std::move(handler);
}

void Services::setLogger(std::shared_ptr<Logger> logger)
{
    if (logger)
        services().logger = std::move(logger);
}

void Services::setLexicon(std::shared_ptr<Lexicon> lexicon)
{
    if (lexicon)
        services().lexicon = std::move(lexicon);
}

void Services::reset()
{
    services() = ServiceSet{};
}
