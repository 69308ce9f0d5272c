// Word access to the legacy image buffers (host byte order), bit for bit.
#pragma once
#include <cstring>

inline int img_i(unsigned char const* b, long at)
{
	int v;
	memcpy(&v, b + at, 4);
	return v;
}
inline float img_f(unsigned char const* b, long at)
{
	float v;
	memcpy(&v, b + at, 4);
	return v;
}
inline void img_put_i(unsigned char* b, long at, int v) { memcpy(b + at, &v, 4); }
inline void img_put_f(unsigned char* b, long at, float v) { memcpy(b + at, &v, 4); }
// count words from at into a field of 32-bit words.
template <class T>
inline void img_get(unsigned char const* b, long at, T* to, int count)
{
	static_assert(sizeof(T) == 4, "32-bit words");
	memcpy(to, b + at, 4 * static_cast<size_t>(count));
}
