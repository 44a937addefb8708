// Two-component vectors (map-plane coordinates).
#pragma once

#include <mathlib/vector.h>

class Vector2D {
public:
    vec_t x = 0.0f, y = 0.0f;

    constexpr Vector2D() = default;
    constexpr Vector2D(vec_t x_, vec_t y_) : x(x_), y(y_) {}

    void Init(vec_t x_ = 0.0f, vec_t y_ = 0.0f) { *this = Vector2D(x_, y_); }
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y); }

    vec_t& operator[](int i) { return i == 0 ? x : y; }
    vec_t operator[](int i) const { return i == 0 ? x : y; }

    bool operator==(const Vector2D& v) const { return x == v.x && y == v.y; }
    bool operator!=(const Vector2D& v) const { return !(*this == v); }
    Vector2D operator+(const Vector2D& v) const { return {x + v.x, y + v.y}; }
    Vector2D operator-(const Vector2D& v) const { return {x - v.x, y - v.y}; }
    Vector2D operator*(vec_t f) const { return {x * f, y * f}; }
};
