#pragma once

namespace hookbench {

// A class whose objects come from another translation unit, so that calls
// through a Target* stay virtual calls.
class Target {
public:
    virtual ~Target();
    virtual int work(int x) = 0;
};

Target* makeTarget(int seed);
void destroyTarget(Target* target);

}  // namespace hookbench
