/* Extension functions of the simulated acquisition box (libzarvik_simdaq). The real NI-DAQmx
 * driver has none of them; the program looks ZvSim_SetPullSpeed up by name and works without it.
 * Everything else here is for tests and for trying the program without hardware.
 *
 * Environment variables read when the library is loaded and by ZvSim_Reset:
 *   ZARVIK_SIM_SPEED   time factor of the real-time clock (for example 10 = ten times faster)
 *   ZARVIK_SIM_SEED    seed of both testers' random numbers
 *   ZARVIK_SIM_FAULTS  comma-separated fault names: version, nodevice, product, contest, start,
 *                      config, read, stop, select, overflow
 *   ZARVIK_SIM_OUTPUT  "gain,offset": both testers' output in V per kN and V (default "1,0")
 */
#ifndef ZV_SIMDAQ_H
#define ZV_SIMDAQ_H

#include <stdint.h>

#if defined(_WIN32)
#define ZV_SIM_EXPORT __declspec(dllexport)
#else
#define ZV_SIM_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Faults, combined as a bit mask. */
#define ZVSIM_FAULT_VERSION 0x001  /* version query fails: the driver looks uninstalled */
#define ZVSIM_FAULT_NODEVICE 0x002 /* the device list is empty */
#define ZVSIM_FAULT_PRODUCT 0x004  /* every device reports product type "PCI-6221" */
#define ZVSIM_FAULT_CONTEST                                                                        \
  0x008                         /* connection-test loop inverted: the input follows neither level */
#define ZVSIM_FAULT_START 0x010 /* starting an analog task fails */
#define ZVSIM_FAULT_CONFIG 0x020   /* configuring the sample clock fails */
#define ZVSIM_FAULT_READ 0x040     /* reading analog samples fails */
#define ZVSIM_FAULT_STOP 0x080     /* stopping an analog task fails */
#define ZVSIM_FAULT_SELECT 0x100   /* writing a channel-select line fails */
#define ZVSIM_FAULT_OVERFLOW 0x200 /* the next analog read finds its samples overwritten */

/* Back to the state after loading: one USB-6210 "Dev1", real-time clock, no faults, default
 * seeds, random break forces, default buffer sizes, empty write record. */
ZV_SIM_EXPORT void ZvSim_Reset(void);

/* The pull speed (N/s) the tester uses for the specimen its next acquisition starts. */
ZV_SIM_EXPORT int32_t ZvSim_SetPullSpeed(int32_t tester, double newtonPerSecond);

/* The tester's force output: volts = offset + force * gain. Applies from the next acquisition
 * on. 0, or a negative status for an unknown tester, a gain of 0 or a value that is no number. */
ZV_SIM_EXPORT int32_t ZvSim_SetOutputLine(int32_t tester, double voltsPerKiloNewton,
                                          double offsetVolts);
/* Holds a force (kN) on the tester from now on, as a reference weight would, in place of the
 * specimens' curves, also in an acquisition already running; a negative force or NaN takes it
 * off again. 0, or a negative status for an unknown tester. */
ZV_SIM_EXPORT int32_t ZvSim_HoldForce(int32_t tester, double kiloNewton);

/* Clock: virtual (advanced only by ZvSim_AdvanceClock) or real time times a factor. */
ZV_SIM_EXPORT void ZvSim_UseVirtualClock(int32_t on);
ZV_SIM_EXPORT void ZvSim_AdvanceClock(double seconds);
ZV_SIM_EXPORT void ZvSim_SetTimeScale(double factor);
ZV_SIM_EXPORT double ZvSim_Now(void);

/* Testers: seed of the random numbers, a fixed break force in kN (<= 0: drawn at random),
 * the chance of a one-sample spike per sample (0 = none). */
ZV_SIM_EXPORT void ZvSim_SetSeed(int32_t tester, uint32_t seed);
ZV_SIM_EXPORT void ZvSim_SetBreakForce(int32_t tester, double kiloNewton);
ZV_SIM_EXPORT void ZvSim_SetSpikeRate(double perSample);
/* The specimen of the tester's latest acquisition: break force (kN), delay before the force
 * rises (s), pull speed (N/s), and how many specimens the tester has started. -1 for an
 * unknown tester. */
ZV_SIM_EXPORT int32_t ZvSim_Specimen(int32_t tester, double* breakForce, double* delay,
                                     double* speed, int32_t* count);

/* Devices: the list starts with Dev1, a USB-6210. */
ZV_SIM_EXPORT void ZvSim_ClearDevices(void);
ZV_SIM_EXPORT int32_t ZvSim_AddDevice(const char* name, const char* productType, uint32_t serial);

/* Faults (ZVSIM_FAULT_* bits). */
ZV_SIM_EXPORT void ZvSim_SetFaults(uint32_t mask);
ZV_SIM_EXPORT uint32_t ZvSim_Faults(void);

/* Continuous input buffer in samples per channel for the next analog configuration
 * (0 = size it as the driver does). */
ZV_SIM_EXPORT void ZvSim_SetInputBufferSize(uint32_t samples);
/* Buffer size and samples waiting in the running analog task; -1 when none runs. */
ZV_SIM_EXPORT int64_t ZvSim_InputBufferSize(void);
ZV_SIM_EXPORT int64_t ZvSim_AvailableSamples(void);

/* Record of every digital line write, oldest first: the line ("Dev1/port1/line2") and the
 * value written. ZvSim_DigitalWrite returns 0, or -1 for an index out of range. */
ZV_SIM_EXPORT int32_t ZvSim_DigitalWriteCount(void);
ZV_SIM_EXPORT int32_t ZvSim_DigitalWrite(int32_t index, char* line, uint32_t lineSize,
                                         int32_t* value);
ZV_SIM_EXPORT void ZvSim_ClearDigitalWrites(void);
/* Current level of an output line: 0, 1, or -1 when it was never written. */
ZV_SIM_EXPORT int32_t ZvSim_LineLevel(const char* line);

/* Tasks not yet cleared (leak check). */
ZV_SIM_EXPORT int32_t ZvSim_OpenTasks(void);

#ifdef __cplusplus
}
#endif

#endif
