// What the library's buttons play their press, release and click sounds through: a component that
// knows sound events by name. The extra components' sound map is the one the library offers.
#pragma once

#include <string>

#include "platform/Classes.h"

class TExCustomSoundMap : public TComponent {
public:
    using TComponent::TComponent;
    // Starts the named event's sound and returns at once; an unknown event is silent.
    virtual void Play(const std::string& Key) = 0;
};
