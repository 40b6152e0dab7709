#version 440 core

// Full-screen quad in clip space; the texture coordinate follows from the position.
layout(location = 0) in vec3 position;

uniform mat4 inverseVP;  // this frame's clip space to world
uniform mat4 previousVP; // world to last frame's clip space
uniform float width;     // window size in pixels
uniform float height;
uniform sampler2D bloomBlur; // blurred bright part of the scene: only the Sun is that bright

out vec2 uv;
// Two more builds of this program skip work the camera's motion makes needless: STILL_CAMERA for a
// camera that has not moved since the last frame (nothing to reproject), TURNING_CAMERA for one that
// only turned about its eye (where a pixel came from does not depend on its depth).
#ifndef STILL_CAMERA
// Last frame's clip position of this screen point on the near plane (depth 0 in clip space), and how
// it changes per unit of clip-space depth. Both are linear over the screen, so the rasterizer
// interpolates the first and the fragment shader only adds depth times the second. A turning camera
// needs only the first, taken on the far plane instead.
noperspective out vec4 previousClipBase;
#ifndef TURNING_CAMERA
flat out vec4 previousClipPerDepth;
#endif
#endif
// The Sun's corona: its centre and radius on screen in pixels, and how much of it shows (0 when the
// Sun is behind the camera, off screen or hidden behind something).
flat out vec3 sunDisc;
flat out float sunVisible;

const float sunRadius = 6.0; // world units; the Sun sits at the world origin

void main()
{
    uv = position.xy * 0.5 + 0.5;
    gl_Position = vec4(position, 1.0);
#ifndef STILL_CAMERA
    // From this frame's clip space straight to last frame's: one matrix for the whole screen.
    mat4 reprojection = previousVP * inverseVP;
#ifdef TURNING_CAMERA
    previousClipBase = reprojection * vec4(position.xy, 1.0, 1.0);
#else
    previousClipBase = reprojection * vec4(position.xy, 0.0, 1.0);
    previousClipPerDepth = reprojection[2];
#endif
#endif

    // Where the Sun is on screen this frame. The bloom texel at its centre says whether it is
    // actually seen there, so a planet or the station in front of it also hides its corona.
    mat4 viewProjection = inverse(inverseVP);
    vec4 sunClip = viewProjection[3];
    vec2 resolution = vec2(width, height);
    sunDisc = vec3(0.0);
    sunVisible = 0.0;
    if (sunClip.w > 0.0)
    {
        vec2 centre = (sunClip.xy / sunClip.w * 0.5 + 0.5) * resolution;
        // The projection's vertical focal scale is the length of the second row of projection x view.
        float focal = length(vec3(viewProjection[0][1], viewProjection[1][1], viewProjection[2][1]));
        sunDisc = vec3(centre, sunRadius * focal / sunClip.w * 0.5 * height);
        if (all(greaterThanEqual(centre, vec2(0.0))) && all(lessThan(centre, resolution)))
        {
            vec3 bright = texelFetch(bloomBlur, ivec2(centre), 0).rgb;
            sunVisible = clamp(dot(bright, vec3(0.2126, 0.7152, 0.0722)), 0.0, 1.0);
        }
    }
}
