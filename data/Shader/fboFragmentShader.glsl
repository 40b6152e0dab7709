#version 440 core

// The composite: camera motion blur of the scene, bloom on top, tone mapping, then the crosshair.
in vec2 uv;
// STILL_CAMERA builds it for a camera that has not moved since the last frame: no pixel moved, so
// there is nothing to reproject and one fetch of the scene per pixel. TURNING_CAMERA builds it for a
// camera that only turned about its eye: every depth along a pixel's ray came from the same place on
// last frame's screen, so the depth is not read.
#ifndef STILL_CAMERA
noperspective in vec4 previousClipBase;
#ifndef TURNING_CAMERA
flat in vec4 previousClipPerDepth;
#endif
#endif
flat in vec3 sunDisc; // centre and radius in pixels
flat in float sunVisible;

uniform sampler2D fboTexture;      // lit HDR scene colour
// "fboTexture2" (the unlit albedo) is bound but not read: every full-screen fetch costs on a
// software rasterizer, and the picture needs only the lit colour.
uniform sampler2D fboDepthTexture; // scene depth, 1 where nothing was drawn
uniform sampler2D bloomBlur;       // blurred bright part of the scene
uniform float width;               // window size in pixels
uniform float height;
uniform float brightness = 1.0;    // the whole picture's, crosshair included: a paused game's is dimmed
// "inverseVP" and "previousVP" are read by the vertex shader, which folds them into one reprojection.

out vec4 color;

// Distance between two motion-blur samples in pixels, close enough that a smear never falls apart
// into copies; a still camera takes just the one sample.
const float blurSampleSpacing = 3.0;
// At most three samples, so a turning camera costs at most two fetches a pixel more than a still
// one (each costs about 1.5 ms a frame at 1280x720 on the software renderer); that makes the longest
// smear two spacings, however fast the camera turns.
const int maxBlurSamples = 3;
const float maxBlurPixels = 6.0;
const float bloomStrength = 1.5;
// The corona: light that fades over a few Sun radii around the disc.
const vec3 coronaColour = vec3(1.0, 0.62, 0.25);
const float coronaStrength = 0.55;
const float crosshairArm = 7.0; // pixels from the centre to the end of an arm
const float crosshairGap = 2.0;

// Leaves everything up to the knee alone, so dark space and shaded rock keep their colour, and rolls
// brighter luminance smoothly towards 1. Applied to luminance only, so bright colours keep their hue:
// the Sun stays a yellow ball with an orange glow instead of clipping to a flat white disc.
const float toneKnee = 0.6;
vec3 toneMap(vec3 x)
{
    float luminance = max(dot(x, vec3(0.2126, 0.7152, 0.0722)), 1e-5);
    float over = max(luminance - toneKnee, 0.0);
    float mapped = min(luminance, toneKnee) + (1.0 - toneKnee) * (1.0 - exp(-over / (1.0 - toneKnee)));
    return clamp(x * (mapped / luminance), 0.0, 1.0);
}

void main()
{
    vec2 resolution = vec2(width, height);
    ivec2 texel = ivec2(gl_FragCoord.xy);

#ifdef STILL_CAMERA
    vec3 scene = texture(fboTexture, uv).rgb;
#else
    // Where was this pixel's surface (or, for empty space, the far plane) on last frame's screen?
#ifdef TURNING_CAMERA
    vec4 previousClip = previousClipBase;
#else
    float depth = texelFetch(fboDepthTexture, texel, 0).r;
    vec4 previousClip = previousClipBase + (depth * 2.0 - 1.0) * previousClipPerDepth;
#endif
    vec2 velocity = vec2(0.0); // pixels moved since the last frame
    // Points that were behind last frame's camera give no usable direction.
    if (previousClip.w > 0.0001)
    {
        velocity = (uv - (previousClip.xy / previousClip.w * 0.5 + 0.5)) * resolution;
    }
    float blurLength = length(velocity);

    // Smear along the motion, centred on the pixel, with as many samples as the length needs: a still
    // pixel takes exactly one. There is no separate still path per pixel on purpose: a software
    // rasterizer runs both sides of a branch, so one loop is cheaper than a branch with a fetch on each
    // side. (A camera that did not move at all takes the STILL_CAMERA build.)
    float smearPixels = blurLength >= 0.5 ? min(blurLength, maxBlurPixels) : 0.0;
    vec2 smear = smearPixels > 0.0 ? velocity * (smearPixels / blurLength) / resolution : vec2(0.0);
    int samples = min(1 + int(ceil(smearPixels / blurSampleSpacing)), maxBlurSamples);
    float sampleStep = 1.0 / float(max(samples - 1, 1));
    float firstSample = samples > 1 ? -0.5 : 0.0;
    vec3 scene = vec3(0.0);
    // Tested at the end, so a still pixel runs the body once and never a masked-off second time.
    int i = 0;
    do
    {
        // The scene texture clamps at its edges: a smear never pulls in the opposite side of the screen.
        scene += texture(fboTexture, uv + smear * (firstSample + float(i) * sampleStep)).rgb;
        ++i;
    } while (i < samples);
    scene /= float(samples);
#endif

    // The bloom texture is window-sized, so each pixel reads its own texel; no filtering needed.
    vec3 light = scene + texelFetch(bloomBlur, texel, 0).rgb * bloomStrength;
    // The blur spreads the Sun's light by a few pixels only; its corona reaches further without
    // a single texture fetch.
    float fromSun = max(length(gl_FragCoord.xy - sunDisc.xy) / max(sunDisc.z, 1.0) - 1.0, 0.0);
    light += coronaColour * (sunVisible * coronaStrength / (1.0 + 6.0 * fromSun * fromSun));
    vec3 result = toneMap(light);

    // The crosshair stays sharp on top of everything; dark over bright pixels, light over space.
    vec2 fromCentre = abs(gl_FragCoord.xy - resolution * 0.5);
    float nearAxis = min(fromCentre.x, fromCentre.y);
    float alongAxis = max(fromCentre.x, fromCentre.y);
    if (nearAxis < 1.0 && alongAxis < crosshairArm && alongAxis > crosshairGap)
    {
        result = dot(result, vec3(0.333)) > 0.6 ? vec3(0.05) : vec3(0.9, 1.0, 0.9);
    }
    color = vec4(result * brightness, 1.0);
}
