/* hand_geometry.h - the sizes of the clock's hands, in units of the unit
 * square (not installed).
 *
 * qxhand draws the hands with these numbers; the kit's own programs read them
 * to know where a hand and its shadow can reach, instead of restating them.
 */
#ifndef QUILLKIT_CLOCK_HAND_GEOMETRY_H
#define QUILLKIT_CLOCK_HAND_GEOMETRY_H

namespace quillkit {

struct HandDesign {
    double width;  /* thickness */
    double length; /* pivot to the centre of the rounded tip */
    double alt;    /* shadow displacement: alt / 2 right, alt down */
};

constexpr HandDesign kHourHandDesign{0.03, 0.25, 0.01};
constexpr HandDesign kMinuteHandDesign{0.015, 0.39, 0.02};
constexpr HandDesign kSecondHandDesign{0.0075, 0.32, 0.026};

/* The alpha of the hands' shadows, which are filled as one path, so that
 * where they overlap they are no darker. */
constexpr double kHandShadowAlpha = 0.3;

/* How far the tip's outline reaches from the pivot. */
constexpr double tip_radius(const HandDesign &hand)
{
    return hand.length + hand.width / 2;
}

/* The second hand runs on behind the pivot for a tenth of its length
 * (length / kSecondHandNeckDivisor), then ends in a counterweight twice as
 * thick as the shaft that reaches back a third of its length (length /
 * kSecondHandTailDivisor). */
constexpr double kSecondHandNeckDivisor = 10;
constexpr double kSecondHandTailDivisor = 3;

/* How far the hand's outline reaches on either side of its axis: half its
 * width, and its whole width along the second hand's counterweight. */
constexpr double shaft_half_width(const HandDesign &hand)
{
    return hand.width / 2;
}
constexpr double counterweight_half_width(const HandDesign &hand)
{
    return hand.width;
}

/* sqrt(1.25): the length of the shadow's displacement (1/2, 1) per unit of alt. */
constexpr double kShadowOffsetPerAlt = 1.118033988749895;

/* How far the hand or its shadow reaches from the pivot. */
constexpr double reach_with_shadow(const HandDesign &hand)
{
    return tip_radius(hand) + hand.alt * kShadowOffsetPerAlt;
}

}  // namespace quillkit

#endif /* QUILLKIT_CLOCK_HAND_GEOMETRY_H */
