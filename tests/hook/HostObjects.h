#pragma once

// Objects of a separately built shared library, standing in for the host's.
// Everything is defined out of line in HostObjects.cpp, so the tests reach
// these functions only through virtual tables, as a plug-in reaches a host.

#include <string>

namespace hosttest {

struct Pair {
    long first;
    long second;
};

struct Big {
    long words[6];
};

class Widget {
public:
    virtual ~Widget();
    virtual int value(int x);
    virtual std::string name(const std::string& prefix);
    virtual void touch(int& counter);
    virtual Pair pair(long a);
    virtual Big big(long seed);
    virtual double mix(int a, double b, float c, const std::string& d);
    virtual int& slot();
    virtual int peek() const;
    virtual std::size_t take(std::string&& text);

    int id = 0;
    int stored = 0;
    std::string taken;
};

// Slots of Widget, counted as the Itanium ABI lays them out: the destructor
// takes two.
inline constexpr int kWidgetSlots = 11;

// Another class, so that hooks of equal signature meet different tables.
class Gadget : public Widget {
public:
    int value(int x) override;
};

// Two bases with virtual tables: the second lives at an offset.
class Left {
public:
    virtual ~Left();
    virtual int left(int x);
    long leftData = 1;
};
class Right {
public:
    virtual ~Right();
    virtual int right(int x);
    long rightData = 2;
};
class Both : public Left, public Right {
public:
    int left(int x) override;
    int right(int x) override;
};

// A diamond through virtual bases: vbase and vcall offsets sit before the
// address points of these tables.
class Root {
public:
    virtual ~Root();
    virtual int root(int x);
    long rootData = 3;
};
class MidA : public virtual Root {
public:
    int root(int x) override;
    virtual int midA(int x);
};
class MidB : public virtual Root {
public:
    virtual int midB(int x);
};
class Diamond : public MidA, public MidB {
public:
    int midB(int x) override;
};

Widget* makeWidget(int id);
Gadget* makeGadget(int id);
// A Widget whose class adds a virtual function the tests' headers do not
// declare: int secret(int) in slot kWidgetSlots.
Widget* makeSecretWidget(int id);
Both* makeBoth();
Diamond* makeDiamond();
void destroy(Widget* widget);
void destroy(Both* both);
void destroy(Diamond* diamond);

// The library calling its own objects virtually.
int callValue(Widget* widget, int x);
int callSecret(Widget* widget, int x);
int callRight(Right* right, int x);

// A class whose constant objects land in read-only memory after relocation,
// virtual-table pointer included: it has no destructor to run on them.
class Constant {
public:
    constexpr Constant() = default;
    virtual int peek() const;
    int id = 0;
};
const Constant& readOnlyConstant();

}  // namespace hosttest
