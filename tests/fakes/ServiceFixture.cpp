#include "fakes/ServiceFixture.h"

#include "services/Services.h"

void ServiceFixture::SetUp()
{
    errorHandler = std::make_shared<RecordingErrorHandler>();
    logger = std::make_shared<RecordingLogger>();
    Services::setErrorHandler(errorHandler);
    Services::setLogger(logger);
}

void ServiceFixture::TearDown()
{
    Services::reset();
}
