/* generated */
#define THE_LAST_PROCESS 2
#define P_ALPHA_ID 291 // P_ALPHA 291
// priority: 5
skipped one
skipped two
/* gap */
#define P_BETA_ID 4096 // P_BETA 4660
// priority: 17
skipped
skipped
