#version 440 core

// The composite: camera motion blur of the scene, bloom on top, tone mapping, then the crosshair.
in vec2 uv;

uniform sampler2D fboTexture;      // lit HDR scene colour
uniform sampler2D fboTexture2;     // unlit albedo
uniform sampler2D fboDepthTexture; // scene depth, 1 where nothing was drawn
uniform sampler2D bloomBlur;       // blurred bright part of the scene
uniform float width;               // window size in pixels
uniform float height;
uniform mat4 inverseVP;  // this frame's clip space to world
uniform mat4 previousVP; // world to last frame's clip space

out vec4 color;

// Longest smear in pixels, however fast the camera turns.
const float maxBlurPixels = 24.0;
// Distance between two motion-blur samples in pixels; a still camera takes just the one sample.
const float blurSampleSpacing = 2.0;
const float bloomStrength = 0.8;
const float crosshairArm = 7.0; // pixels from the centre to the end of an arm
const float crosshairGap = 2.0;

// A cheap fit of the ACES filmic curve: keeps the glowing Sun from clipping to a flat white disc.
vec3 toneMap(vec3 x)
{
    return clamp((x * (2.51 * x + 0.03)) / (x * (2.43 * x + 0.59) + 0.14), 0.0, 1.0);
}

void main()
{
    vec2 resolution = vec2(width, height);
    ivec2 texel = ivec2(gl_FragCoord.xy);

    // Where was this pixel's surface (or, for empty space, the far plane) on last frame's screen?
    float depth = texelFetch(fboDepthTexture, texel, 0).r;
    vec4 world = inverseVP * vec4(uv * 2.0 - 1.0, depth * 2.0 - 1.0, 1.0);
    vec4 previousClip = previousVP * world;
    vec2 velocity = vec2(0.0); // pixels moved since the last frame
    if (previousClip.w * world.w > 0.0)
    {
        velocity = (uv - (previousClip.xy / previousClip.w * 0.5 + 0.5)) * resolution;
    }
    float blurLength = length(velocity);

    vec3 scene;
    if (!(blurLength >= 0.5))
    {
        scene = texelFetch(fboTexture, texel, 0).rgb;
    }
    else
    {
        // Smear along the motion, centred on the pixel, with as many samples as the length needs.
        vec2 smear = velocity * (min(blurLength, maxBlurPixels) / blurLength) / resolution;
        int samples = 1 + int(ceil(min(blurLength, maxBlurPixels) / blurSampleSpacing));
        scene = vec3(0.0);
        for (int i = 0; i < samples; ++i)
        {
            float t = samples > 1 ? float(i) / float(samples - 1) - 0.5 : 0.0;
            scene += texture(fboTexture, uv + smear * t).rgb;
        }
        scene /= float(samples);
    }

    vec3 result = toneMap(scene + texture(bloomBlur, uv).rgb * bloomStrength);

    // The crosshair stays sharp on top of everything; dark over bright surfaces, light over space.
    vec2 fromCentre = abs(gl_FragCoord.xy - resolution * 0.5);
    float nearAxis = min(fromCentre.x, fromCentre.y);
    float alongAxis = max(fromCentre.x, fromCentre.y);
    if (nearAxis < 1.0 && alongAxis < crosshairArm && alongAxis > crosshairGap)
    {
        vec3 behind = max(texelFetch(fboTexture2, texel, 0).rgb, result);
        result = dot(behind, vec3(0.333)) > 0.6 ? vec3(0.05) : vec3(0.9, 1.0, 0.9);
    }
    color = vec4(result, 1.0);
}
