#define NO_PROCESS_EXISTS 0
#define IRQ_TIMER 65539
/* prio 12 */
a
b
c
#define IRQ_UART 65541
/* prio 3 */
