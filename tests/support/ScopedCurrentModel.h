#pragma once

#include "devicelink/SysExMessage.h"

//==============================================================================
/** Sets SysExMessage::currentModel for the life of a test scope and puts the
    previous value back, so that tests cannot leak a model into each other.
*/
class ScopedCurrentModel
{
public:
    explicit ScopedCurrentModel (DeviceModel model)
        : previous (SysExMessage::currentModel.exchange (model))
    {
    }

    ~ScopedCurrentModel()
    {
        SysExMessage::currentModel.store (previous);
    }

private:
    const DeviceModel previous;

    ScopedCurrentModel (const ScopedCurrentModel&) = delete;
    ScopedCurrentModel& operator= (const ScopedCurrentModel&) = delete;
};
