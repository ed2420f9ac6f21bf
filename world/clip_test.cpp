#include "world/clip_test.h"

bool box_in_view(const vec3& lo, const vec3& hi, const mat4& to_clip) {
    int outside[6] = {};
    for (int i = 0; i < 8; ++i) {
        const vec3 p{(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
        const float x = p.x * to_clip.m[0][0] + p.y * to_clip.m[1][0] + p.z * to_clip.m[2][0] + to_clip.m[3][0];
        const float y = p.x * to_clip.m[0][1] + p.y * to_clip.m[1][1] + p.z * to_clip.m[2][1] + to_clip.m[3][1];
        const float z = p.x * to_clip.m[0][2] + p.y * to_clip.m[1][2] + p.z * to_clip.m[2][2] + to_clip.m[3][2];
        const float w = p.x * to_clip.m[0][3] + p.y * to_clip.m[1][3] + p.z * to_clip.m[2][3] + to_clip.m[3][3];
        outside[0] += x < -w;
        outside[1] += x > w;
        outside[2] += y < -w;
        outside[3] += y > w;
        outside[4] += z < 0.0f;
        outside[5] += z > w;
    }
    for (int count : outside) {
        if (count == 8) return false;
    }
    return true;
}

