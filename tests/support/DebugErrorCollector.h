#ifndef QUILLMAP_TESTS_DEBUGERRORCOLLECTOR_H
#define QUILLMAP_TESTS_DEBUGERRORCOLLECTOR_H

// Collects the messages posted through SoDebugError while it lives and
// restores the previous handler afterwards.

#include <Inventor/errors/SoDebugError.h>

#include <string>
#include <vector>

class DebugErrorCollector {
public:
    DebugErrorCollector(void)
        : previous(SoDebugError::getHandlerCallback()), previousData(SoDebugError::getHandlerData())
    {
        SoDebugError::setHandlerCallback(collect, this);
    }
    ~DebugErrorCollector() { SoDebugError::setHandlerCallback(previous, previousData); }
    DebugErrorCollector(const DebugErrorCollector&) = delete;
    DebugErrorCollector& operator=(const DebugErrorCollector&) = delete;

    std::vector<std::string> messages;

private:
    static void collect(const SoError* error, void* data)
    {
        static_cast<DebugErrorCollector*>(data)->messages.push_back(error->getDebugString().getString());
    }

    SoErrorCB* previous;
    void* previousData;
};

#endif // QUILLMAP_TESTS_DEBUGERRORCOLLECTOR_H
