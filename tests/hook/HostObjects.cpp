#include "HostObjects.h"

namespace hosttest {

// Not in an anonymous namespace: the compiler would see that nothing can
// derive from it and call its functions directly.
class SecretWidget : public Widget {
public:
    virtual int secret(int x) { return x * 1000 + id; }
};

const Constant constant;

Widget::~Widget() = default;
int Widget::value(int x) {
    return x + id;
}
std::string Widget::name(const std::string& prefix) {
    return prefix + "widget" + std::to_string(id);
}
void Widget::touch(int& counter) {
    counter += 1;
}
Pair Widget::pair(long a) {
    return {a, a + id};
}
Big Widget::big(long seed) {
    return {{seed, seed + 1, seed + 2, seed + 3, seed + 4, id}};
}
double Widget::mix(int a, double b, float c, const std::string& d) {
    return a + b + c + static_cast<double>(d.size());
}
int& Widget::slot() {
    return stored;
}
int Widget::peek() const {
    return id;
}
std::size_t Widget::take(std::string&& text) {
    taken = std::move(text);
    return taken.size();
}

int Gadget::value(int x) {
    return -x;
}

Left::~Left() = default;
int Left::left(int x) {
    return x + 1;
}
Right::~Right() = default;
int Right::right(int x) {
    return x + 2;
}
int Both::left(int x) {
    return x + 10;
}
int Both::right(int x) {
    return x + 20 + static_cast<int>(rightData);
}

Root::~Root() = default;
int Root::root(int x) {
    return x + 100;
}
int MidA::root(int x) {
    return x + 200;
}
int MidA::midA(int x) {
    return x + 300;
}
int MidB::midB(int x) {
    return x + 400;
}
int Diamond::midB(int x) {
    return x + 500 + static_cast<int>(rootData);
}

Widget* makeWidget(int id) {
    auto* widget = new Widget;
    widget->id = id;
    return widget;
}
Gadget* makeGadget(int id) {
    auto* gadget = new Gadget;
    gadget->id = id;
    return gadget;
}
Widget* makeSecretWidget(int id) {
    auto* widget = new SecretWidget;
    widget->id = id;
    return widget;
}
Both* makeBoth() {
    return new Both;
}
Diamond* makeDiamond() {
    return new Diamond;
}
void destroy(Widget* widget) {
    delete widget;
}
void destroy(Both* both) {
    delete both;
}
void destroy(Diamond* diamond) {
    delete diamond;
}

int callValue(Widget* widget, int x) {
    return widget->value(x);
}
int callSecret(Widget* widget, int x) {
    return static_cast<SecretWidget*>(widget)->secret(x);
}
int callRight(Right* right, int x) {
    return right->right(x);
}

int Constant::peek() const {
    return 77 + id;
}
const Constant& readOnlyConstant() {
    return constant;
}

}  // namespace hosttest
