#version 440 core

// Scene fragment shader. Outputs:
//   0: lit colour in HDR (the Sun is far above 1), alpha from the texture;
//   1: unlit albedo, for effects that want the surface colour without light (the composite does not
//      read it);
//   2: the part of the colour that is bright enough to bloom, in practice the Sun.
in vec2 uv;
in vec3 viewPosition;
in vec3 viewNormal;
in vec3 worldPosition;
flat in float atWorldOrigin;

uniform sampler2D textureSampler;
uniform mat4 V;

layout(location = 0) out vec4 color;
layout(location = 1) out vec4 albedoOut;
layout(location = 2) out vec4 brightColor;

// The Sun's sphere has a radius of about 8 units; fragments of the origin object within this
// distance glow.
const float sunGlowRadius = 12.0;
const vec3 sunEmission = vec3(3.6, 2.3, 0.8);
const vec3 sunLightColor = vec3(1.0, 0.95, 0.85);
const vec3 ambientColor = vec3(0.10, 0.11, 0.16);
// Colours brighter than this (luminance) feed the bloom: the Sun does, a fully lit white rock does not.
const float bloomThreshold = 1.2;

void main()
{
    vec4 albedo = texture(textureSampler, uv);
    vec3 n = normalize(viewNormal);
    vec3 toEye = normalize(-viewPosition);
    float facing = max(dot(n, toEye), 0.0);
    vec3 lit;
    if (atWorldOrigin > 0.5 && length(worldPosition) < sunGlowRadius)
    {
        // The Sun shines by itself; its rocky texture only mottles the glow, and the limb is a little
        // darker so it reads as a ball rather than a flat disc.
        lit = sunEmission * (0.8 + 0.4 * albedo.rgb) * (0.7 + 0.3 * facing);
    }
    else
    {
        vec3 toSun = normalize(V[3].xyz - viewPosition);
        float diffuse = max(dot(n, toSun), 0.0);
        // A faint cool rim keeps silhouettes on the night side readable against space.
        float edge = 1.0 - facing;
        float rim = edge * edge * edge * 0.25;
        lit = albedo.rgb * (ambientColor + sunLightColor * diffuse) + vec3(0.25, 0.3, 0.45) * rim;
    }
    color = vec4(lit, albedo.a);
    albedoOut = vec4(albedo.rgb, 1.0);
    float luminance = dot(lit, vec3(0.2126, 0.7152, 0.0722));
    brightColor = vec4(luminance > bloomThreshold ? lit : vec3(0.0), 1.0);
}
