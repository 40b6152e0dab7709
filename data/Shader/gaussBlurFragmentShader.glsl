#version 440 core

// One direction of a separable 9-tap Gaussian. Linear filtering between neighbouring texels lets
// 5 fetches do the work of 9: each side fetch lands between two taps, weighted by their sum.
in vec2 uv;

uniform sampler2D image;
uniform int horizontal; // 1: blur along x, 0: along y

out vec4 color;

const float offset1 = 1.3846153846;
const float offset2 = 3.2307692308;
const float weight0 = 0.2270270270;
const float weight1 = 0.3162162162;
const float weight2 = 0.0702702703;

void main()
{
    vec2 texel = 1.0 / vec2(textureSize(image, 0));
    vec2 step = horizontal == 1 ? vec2(texel.x, 0.0) : vec2(0.0, texel.y);
    vec3 sum = texture(image, uv).rgb * weight0;
    sum += (texture(image, uv + step * offset1).rgb + texture(image, uv - step * offset1).rgb) * weight1;
    sum += (texture(image, uv + step * offset2).rgb + texture(image, uv - step * offset2).rgb) * weight2;
    color = vec4(sum, 1.0);
}
