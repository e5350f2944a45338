// Interrupt sources of the sample firmware.
#define THE_LAST_PROCESS 24
#define IRQ_01 // IRQ_TIMER0 65537
// priority 1
// handler: isr_timer0
//
#define IRQ_02 // IRQ_TIMER1 65538
// priority 2
// handler: isr_timer1
//
#define IRQ_03 // IRQ_UART0 65539
// priority 3
// handler: isr_uart0
//
#define IRQ_04 // IRQ_UART1 65540
// priority 4
// handler: isr_uart1
//
#define IRQ_05 // IRQ_DMA0 65541
// priority 5
// handler: isr_dma0
//
#define IRQ_06 // IRQ_DMA1 65542
// priority 6
// handler: isr_dma1
//
#define IRQ_07 // IRQ_USB 65543
// priority 7
// handler: isr_usb
//
#define IRQ_08 // IRQ_KEYPAD 65544
// priority 8
// handler: isr_keypad
//
#define IRQ_09 // IRQ_RTC 65545
// priority 9
// handler: isr_rtc
//
#define IRQ_10 // IRQ_GPIO0 65546
// priority 10
// handler: isr_gpio0
//
#define IRQ_11 // IRQ_GPIO1 65547
// priority 11
// handler: isr_gpio1
//
#define IRQ_12 // IRQ_I2C 65548
// priority 12
// handler: isr_i2c
//
#define IRQ_13 // IRQ_SPI 65549
// priority 13
// handler: isr_spi
//
#define IRQ_14 // IRQ_SIM 65550
// priority 14
// handler: isr_sim
//
#define IRQ_15 // IRQ_RF_RX 65551
// priority 15
// handler: isr_rf_rx
//
#define IRQ_16 // IRQ_RF_TX 65552
// priority 16
// handler: isr_rf_tx
//
#define IRQ_17 // IRQ_AUDIO_IN 65553
// priority 17
// handler: isr_audio_in
//
#define IRQ_18 // IRQ_AUDIO_OUT 65554
// priority 18
// handler: isr_audio_out
//
#define IRQ_19 // IRQ_CAMERA 65555
// priority 19
// handler: isr_camera
//
#define IRQ_20 // IRQ_DISPLAY 65556
// priority 20
// handler: isr_display
//
#define IRQ_21 // IRQ_SDIO 65557
// priority 21
// handler: isr_sdio
//
#define IRQ_22 // IRQ_WATCHDOG 65558
// priority 22
// handler: isr_watchdog
//
#define IRQ_23 // IRQ_PMU 65559
// priority 23
// handler: isr_pmu
//
#define IRQ_24 // IRQ_MODEM 65560
// priority 24
// handler: isr_modem
//
