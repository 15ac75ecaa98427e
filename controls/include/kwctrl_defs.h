/*
 * kwctrl_defs.h — the numbers of the time-entry control library (libkwctrl.so): its one C entry
 * point, the KWSPIN32 style bits, control messages, button state bits, colour indexes and the
 * notification codes it forwards from its edit box. Plain C; no Qt needed to include it.
 *
 * The numbers are those of the control's window messages, so a form can keep using them through
 * KWSPIN32::sendMessage(message, wParam, lParam) and receive the same results.
 */
#ifndef KWCTRL_DEFS_H
#define KWCTRL_DEFS_H

#include <stdint.h>

/* Marks the library's public symbols; everything else in it is hidden. */
#define KWCTRL_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Does nothing and returns 0: linking a call to it keeps the library loaded. */
KWCTRL_API int KWCtrlInit(void);

#ifdef __cplusplus
}
#endif

/* Style bits (the low byte of the control's style). */
#define KWSS_HORIZONTAL 0x02u    /* arrows point left/right instead of up/down */
#define KWSS_NOSTEPATLIMIT 0x04u /* at a limit, stepping does nothing at all (no refresh) */
#define KWSS_REVERSE 0x10u       /* reverse the direction of the arrows */
#define KWSS_TIME 0x20u          /* time mode: hours and minutes, two arrow buttons */
#define KWSS_CLOCK 0x40u         /* with KWSS_TIME: clock time, hours 0-23 instead of 0-99 */
#define KWSS_12HOUR 0x80u        /* with KWSS_TIME and KWSS_CLOCK: hours 1-24 shown with am/pm */

/* Control messages (the user-message base 0x400 plus the control's own numbers). */
#define KWSM_REREAD 0x433u           /* re-read the edit text; restore it when invalid */
#define KWSM_SETRANGE 0x435u         /* lParam: low word minimum, high word maximum */
#define KWSM_GETRANGE 0x436u         /* minimum in the low word, maximum in the high word */
#define KWSM_SETNOSTEPATLIMIT 0x439u /* wParam non-zero sets KWSS_NOSTEPATLIMIT; old state */
#define KWSM_GETNOSTEPATLIMIT 0x43Au
#define KWSM_SETREVERSE 0x43Bu /* wParam non-zero sets KWSS_REVERSE; returns the old state */
#define KWSM_GETREVERSE 0x43Cu
#define KWSM_SETCOLOR 0x43Du /* colour wParam (0-4) becomes lParam; returns the old one */
#define KWSM_GETCOLOR 0x43Eu /* colour wParam; other indexes give 0 */

/* Button state bits. */
#define KWSB_DISABLED 0x01u
#define KWSB_HIDDEN 0x02u
#define KWSB_POINTERLEFT 0x04u /* the pointer has left the pressed arrow half */
#define KWSB_RIGHTFIRST 0x08u  /* upper (or left) half of the right-hand button pressed */
#define KWSB_RIGHTSECOND 0x10u /* its lower (or right) half */
#define KWSB_LEFTFIRST 0x20u   /* upper (or left) half of the left-hand (hours) button */
#define KWSB_LEFTSECOND 0x40u  /* its lower (or right) half */
#define KWSB_PRESSED (KWSB_RIGHTFIRST | KWSB_RIGHTSECOND | KWSB_LEFTFIRST | KWSB_LEFTSECOND)

/* Colour indexes. A colour is 0x00BBGGRR, or KWSC_DEFAULT for the system's own. */
#define KWSC_FACE 0      /* button face */
#define KWSC_ARROW 1     /* arrow (button text) */
#define KWSC_SHADOW 2    /* button shadow */
#define KWSC_HIGHLIGHT 3 /* highlight (white) */
#define KWSC_FRAME 4     /* window frame */
#define KWSC_COUNT 5
#define KWSC_DEFAULT (-1)
#define KWRGB(r, g, b)                                                  \
    ((int32_t)((uint32_t)(uint8_t)(r) | ((uint32_t)(uint8_t)(g) << 8) | \
               ((uint32_t)(uint8_t)(b) << 16)))

/* Notification codes the control forwards from its edit box, with its own identifier. */
#define KWEN_SETFOCUS 0x0100
#define KWEN_KILLFOCUS 0x0200
#define KWEN_CHANGE 0x0300

#endif /* KWCTRL_DEFS_H */
