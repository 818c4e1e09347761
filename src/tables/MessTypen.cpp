#include "tables/MessTypen.h"

#include "tables/Cp1252.h"

namespace ql50 {

namespace {

using T = Cp1252Text;
using Label = std::array<std::array<char, 20>, 2>;

constexpr Label kTemperatur = {T("Temperatur"), T("temperature")};

// The four conductivity ranges differ only in their name, the unit and decimals of channel 1
// and the unit of channel 2; their calibration values are the same.
consteval MessTypInfo Leitfaehigkeit(T name, T unit1, std::uint8_t decimals1, T unit2) {
    return {
        .name = {name, name},
        .channelLabel = {{{T("LF Wert"), T("cond. value")},
                          {T("Widerstand"), T("Resistor")},
                          {},
                          {},
                          {},
                          kTemperatur}},
        .channelUnit = {unit1, unit2},
        .calLabel = {{{T("Zellkonstante"), T("cell const.")},
                      {T("Temperaturkoef."), T("temp. coef.")},
                      {T("Kabeloffset"), T("cable offset")}}},
        .calUnit = {T("1/cm"), T("%%/K"), T("Ohm")},
        .channelDecimals = {decimals1, 1, 0, 0, 0},
        .calDecimals = {2, 2, 2, 0, 2},
        .reserved = 2,
    };
}

}  // namespace

constinit const std::array<MessTypInfo, kMessTypCount> kMessTypen = {{
    {
        .name = {T("pH"), T("pH")},
        .channelLabel = {{{T("pH Wert"), T("pH value")},
                          {T("Kettenspannung"), T("voltage")},
                          {},
                          {},
                          {},
                          kTemperatur}},
        .channelUnit = {T("pH"), T("mV")},
        .calLabel = {{{T("Asymmetrie"), T("asymmetrie")}, {T("Steilheit"), T("slope")}}},
        .calUnit = {T("mV"), T("mV/pH")},
        .channelDecimals = {2, 0, 0, 0, 0},
        .calDecimals = {1, 1, 0, 0, 2},
        .reserved = 2,
    },
    {
        .name = {T("Redox"), T("Redox")},
        .channelLabel = {{{T("Redox Wert"), T("Redox value")},
                          {T("Redoxwert H"), T("Redox value")},
                          {},
                          {},
                          {},
                          kTemperatur}},
        .channelUnit = {T("mV"), T("mV H")},
        .calLabel = {{{T("Offset"), T("offset")}}},
        .calUnit = {T("mV")},
        .channelDecimals = {0, 0, 0, 0, 0},
        .calDecimals = {1, 0, 0, 0, 0},
        .reserved = 0,
    },
    Leitfaehigkeit("200µS/cm", "µS/cm", 1, "kOhm"),
    Leitfaehigkeit("2000µS/cm", "µS/cm", 0, "kOhm"),
    Leitfaehigkeit("20mS/cm", "mS/cm", 2, "Ohm"),
    Leitfaehigkeit("100mS/cm", "mS/cm", 1, "Ohm"),
    {
        .name = {T("Trübung"), T("turbitidy")},
        .channelLabel = {{{T("Trübung"), T("turbitidy")}, {}, {}, {}, {}, kTemperatur}},
        .channelUnit = {T("NTU")},
        .calLabel = {},
        .calUnit = {},
        .channelDecimals = {2, 0, 0, 0, 0},
        .calDecimals = {1, 1, 1, 0, 2},
        .reserved = 2,
    },
    {
        .name = {T("Sauerstoff"), T("Oxygen")},
        .channelLabel = {{{T("Sättigung"), T("Saturation")},
                          {T("Konzentration"), T("Concentration")},
                          {T("Sensorstrom"), T("Sensor current")},
                          {T("Partialdruck"), T("Partial pressur")},
                          {T("Luftdruck"), T("Air pressur")},
                          kTemperatur}},
        .channelUnit = {T("%"), T("mg/l"), T("nA"), T("hPa"), T("hPa")},
        .calLabel = {{{T("Anstieg"), T("Slope")},
                      {T("B < 20°C"), T("B < 20°C")},
                      {T("B > 20°C"), T("B > 20°C")},
                      {T("Salinität"), T("Salinity")}}},
        .calUnit = {T("nA/100%"), {}, {}, T("g/l")},
        .channelDecimals = {1, 2, 0, 0, 0},
        .calDecimals = {1, 0, 0, 2, 1},
        .reserved = 1,
    },
}};

}  // namespace ql50
