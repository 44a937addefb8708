#include "BenchTarget.h"

namespace hookbench {

namespace {

class Worker : public Target {
public:
    explicit Worker(int seed) : seed_(seed) {}
    int work(int x) override { return x ^ seed_; }

private:
    int seed_;
};

}  // namespace

Target::~Target() = default;

__attribute__((noinline)) Target* makeTarget(int seed) {
    return new Worker(seed);
}
void destroyTarget(Target* target) {
    delete target;
}

}  // namespace hookbench
