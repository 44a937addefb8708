// Three-component vectors: positions and velocities (Vector) and Euler angles
// in degrees (QAngle: pitch x, yaw y, roll z).
#pragma once

#include <cmath>

typedef float vec_t;

class Vector {
public:
    vec_t x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr Vector() = default;
    constexpr Vector(vec_t x_, vec_t y_, vec_t z_) : x(x_), y(y_), z(z_) {}

    void Init(vec_t x_ = 0.0f, vec_t y_ = 0.0f, vec_t z_ = 0.0f) { *this = Vector(x_, y_, z_); }
    void Zero() { Init(); }
    // True when every component is finite.
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    vec_t& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    vec_t operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    bool operator==(const Vector& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const Vector& v) const { return !(*this == v); }

    Vector operator+(const Vector& v) const { return {x + v.x, y + v.y, z + v.z}; }
    Vector operator-(const Vector& v) const { return {x - v.x, y - v.y, z - v.z}; }
    Vector operator-() const { return {-x, -y, -z}; }
    Vector operator*(vec_t f) const { return {x * f, y * f, z * f}; }
    Vector operator/(vec_t f) const { return {x / f, y / f, z / f}; }
    Vector& operator+=(const Vector& v) { return *this = *this + v; }
    Vector& operator-=(const Vector& v) { return *this = *this - v; }
    Vector& operator*=(vec_t f) { return *this = *this * f; }
    Vector& operator/=(vec_t f) { return *this = *this / f; }

    vec_t Dot(const Vector& v) const { return x * v.x + y * v.y + z * v.z; }
    vec_t LengthSqr() const { return Dot(*this); }
    vec_t Length() const { return std::sqrt(LengthSqr()); }
    vec_t Length2DSqr() const { return x * x + y * y; }
    vec_t Length2D() const { return std::sqrt(Length2DSqr()); }
};

inline Vector operator*(vec_t f, const Vector& v) {
    return v * f;
}
inline vec_t DotProduct(const Vector& a, const Vector& b) {
    return a.Dot(b);
}

inline Vector CrossProduct(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline void VectorCopy(const Vector& src, Vector& dst) {
    dst = src;
}
inline void VectorAdd(const Vector& a, const Vector& b, Vector& out) {
    out = a + b;
}
inline void VectorSubtract(const Vector& a, const Vector& b, Vector& out) {
    out = a - b;
}

inline constexpr Vector vec3_origin{};

class QAngle {
public:
    vec_t x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr QAngle() = default;
    constexpr QAngle(vec_t x_, vec_t y_, vec_t z_) : x(x_), y(y_), z(z_) {}

    void Init(vec_t x_ = 0.0f, vec_t y_ = 0.0f, vec_t z_ = 0.0f) { *this = QAngle(x_, y_, z_); }
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    vec_t& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    vec_t operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    bool operator==(const QAngle& a) const { return x == a.x && y == a.y && z == a.z; }
    bool operator!=(const QAngle& a) const { return !(*this == a); }

    QAngle operator+(const QAngle& a) const { return {x + a.x, y + a.y, z + a.z}; }
    QAngle operator-(const QAngle& a) const { return {x - a.x, y - a.y, z - a.z}; }
    QAngle operator*(vec_t f) const { return {x * f, y * f, z * f}; }
};

inline constexpr QAngle vec3_angle{};
