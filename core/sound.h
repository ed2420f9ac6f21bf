// A positional sound in the scene: a frame carrying a looping sound buffer (a waterfall,
// machinery, a siren on a mast: a scenery object whose file is a ".wav"). While the camera is
// within 15 radii it plays, its 3-D position and velocity following the frame relative to the
// camera; farther away it is stopped. The radius is the buffer's minimum distance in metres.
// It answers the picking ray as a small sphere, takes the effects volume and stops with the
// other sounds when the simulation pauses. It lives here beside the sound service it plays
// through.
#pragma once

#include <memory>

#include "core/frame.h"
#include "platform/audio.h"

// The picking ray against a frame's bounding sphere, as sounds and skinned models answer it:
// false when the ray passes farther than the radius from the frame's position (its children
// are not asked then). Otherwise the frame becomes the hit when its centre is nearer than the
// nearest hit so far, and true. The centre's distance goes to *result; either out value may
// be none.
bool sphere_ray_test(frame& f, const vec3& direction, const vec3& origin, frame** hit,
                     float* result);

class sound : public frame {
public:
    // The audible range in radii.
    static constexpr float k_range_radii = 15.0f;

    sound();
    ~sound() override;

    // Loads the wave file; false without sound, or when the file or its 3-D set-up fails.
    bool load(const char* path);

    void render() override;
    void update_bounding_radius() override;
    // Plays in range and follows the camera; the frame's own update (behaviours and
    // children) does not run.
    void update() override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;
    void apply_volume() override;
    void stop_sounds() override;

    sound_buffer* buffer_object() const { return buffer.get(); }

    std::unique_ptr<sound_buffer> buffer;
    sound_buffer* buffer_3d = nullptr;  // the buffer's 3-D settings (the same object)
};

// The creation convention of scene frames: 0, or E_FAIL (out none) when memory runs out.
hresult create_sound(frame* parent, sound** out);
hresult create_detached_sound(sound** out);
// Detaches, clears and deletes the sound; the variable becomes none. 0.
hresult destroy_sound(sound** variable);

// Sets the 3-D position and velocity of an object's sound buffers from the frame's place and
// motion relative to the camera (deferred; the scene commits the listener once per frame).
// Nothing while sound is off or unavailable; empty slots are passed over.
void place_sounds(const frame* at, const std::unique_ptr<sound_buffer>* buffers, int count);
