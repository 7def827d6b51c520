#pragma once

#include "services/ErrorHandler.h"
#include "services/Lexicon.h"
#include "services/Logger.h"

#include <memory>

// The process-wide service objects every procedure uses. Until start-up installs the real
// ones, an error handler that only keeps its state in memory, a logger that writes nothing and
// a lexicon without entries stand in, so that library code works before and without start-up.
class Services {
public:
    static ErrorHandler& errorHandler();
    static Logger& logger();
    static Lexicon& lexicon();

    static void setErrorHandler(std::shared_ptr<ErrorHandler> handler);
    static void setLogger(std::shared_ptr<Logger> logger);
    static void setLexicon(std::shared_ptr<Lexicon> lexicon);

    // Back to the stand-ins.
    static void reset();
};
