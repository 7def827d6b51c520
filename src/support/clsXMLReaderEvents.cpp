#include "support/clsXMLReaderEvents.h"

clsXMLReaderEvents::~clsXMLReaderEvents() = default;
