// The command set's registration and modes: the six modes with their refusal messages,
// the command tables of each mode (words, parameter description, handler, help text, in
// the order the modes list them), the help functions attached to them, the boundary
// mode's activation function, and the live parameters the handlers read. Commands whose
// handlers need subsystems that are not built yet are registered with those subsystems.
#include "boundaries/CrossBound.h"
#include "commands/Commands.h"

#include <cstddef>

#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "groups/Discrete.h"
#include "interpreter/IntCommands.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "search/ModelAnalysis.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

int SelectedWeightNum = -1;
int SelectedWeightDen = -1;
int massless_only = 0;
int* TotalCurrents = nullptr;

namespace {

void printCurrentBulkInvariant() {
  BulkInvariant** current = getCurrentBulk();
  printBulkInvariant(current != nullptr ? *current : nullptr, 0);
}

// The current orientifold in the report of a tachyon-free case: its place in the list of
// the current invariant (-1 for one chosen outside the list) and its orientation data.
int currentOrientifoldNumber() {
  const OrientifoldInfo* current = getCurrentOrientifold();
  return current != nullptr ? current->listPosition : -1;
}
void printCurrentOrientifold() {
  showOrientationInfo(getCurrentOrientifold());
}

struct CommandEntry {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

struct HelpAttachment {
  const char* words;
  HelpFunction function;
};

const char kTypeParameters[] = "[rank r][level k]";
const char kTypeHelp[] =
    "Loads the affine Lie algebra of this type at rank r and level k, computes its spectrum and "
    "enables the "
    "modular data.";

const CommandEntry kDefaultCommands[] = {
    {"set autoselect", "[pos_int choice]", COM_set_autosel,
     "Takes automatically the modular invariant of the given number in subgroup selection."},
    {"set autoselect off", "", COM_set_sel_int,
     "Asks which modular invariant to take in subgroup selection."},
    {"start subgroup", "[int i][int j]", COM_subgroup_start,
     "The next scan of simple-current invariants starts at subgroup i, numbering its first "
     "invariant j (a warning under \"set autostore on\")."},
    {"status", "", COM_status,
     "Shows the mode (single algebra or tensor product) and the current algebra."},
    {"compute spectrum", "", COM_compute,
     "Computes the spectrum of the current theory and enables its modular data. Has no effect when "
     "the "
     "spectrum is already known."},
    {"compute massless_spectrum", "", COM_compute_massless,
     "Computes only the massless part of the spectrum of a tensor product."},
    {"compute simple_current_spectrum", "", COM_compute_simple,
     "Computes only the simple currents of the spectrum of a tensor product."},
    {"total primaries", "", COM_tot_prim, "Prints the number of primaries of the current theory."},
    {"total extensions", "", COM_tot_ext,
     "Prints the number of collected extensions of the chiral algebra, or -1 when none have "
     "been collected for the current tensor product or algebra."},
    {"collect extensions", "(int par)", COM_collect_extensions,
     "Lists the inequivalent extensions of the chiral algebra by integer-spin simple currents "
     "(extensions related by factor permutations or outer automorphisms appear once), "
     "numbered from 0 for \"select extension\". With par = 1 currents of weight 1 are left "
     "out. In single algebra mode the full spectrum is computed first."},
    {"set require extension", "(current J_1)...(current J_n)", COM_sel_extension,
     "Collects only extensions whose chiral algebra contains all of the currents; without "
     "currents the requirement is cleared."},
    {"total invariants", "", COM_tot_inv,
     "Prints the number of stored modular invariants, or -1 when no complete collection of "
     "invariants has been made."},
    {"supersymmetric", "", COM_susic,
     "Prints 1 when the last tensor spectrum contains a supersymmetry current, else 0."},
    {"single", "", COM_single,
     "Returns to single algebra mode, shows the status and computes the spectrum of the current "
     "algebra."},
    {"browse central_charge", "", COM_cc, "Prints the central charge of the current theory."},
    {"display", "", COM_display,
     "Displays the spectrum of the current theory (computed first if needed)."},
    {"display range", "[int min][int max]", COM_display,
     "Displays the fields min to max of the spectrum (a max beyond the last field: up to the "
     "last)."},
    {"display field", "[field lbl]", COM_display, "Displays one field of the spectrum."},
    {"display massless", "", COM_display_massless,
     "Displays the fields that contribute to the massless spectrum (weight 1, and the vacuum)."},
    {"display simple", "", COM_display_simple,
     "Displays the simple currents (the first fields of the spectrum)."},
    {"display weight", "[int num][int den]", COM_display_weight,
     "Displays the fields of conformal weight $num/den$."},
    {"find basis", "(int J1)...(int Jn)", COM_findBasis,
     "Closes the simple currents J1 ... Jn under fusion and prints the canonical basis of the "
     "group they generate (each entry the smallest current not generated by the ones before), "
     "its images under the current permutations, and the closed list."},
    {"algebra cft", "[CFT_name]", COM_algebra_single,
     "Makes the stored CFT of this name current and computes its spectrum."},
    {"algebra fcft", "[CFT_name][non_neg_int current]", COM_algebra_single,
     "Makes the fixed-point CFT of a simple current (0 to n-1) of the stored CFT of this name "
     "current and computes its spectrum; current 0 gives the CFT itself."},
    {"algebra orbifold", "[pos_int N]", COM_algebra_single,
     "Loads the $Z_2$ orbifold of the circle theory with parameter N ($N+7$ primaries, $c=1$)."},
    {"get fcft", "[pos_int current]", COM_fcft2,
     "Makes the fixed-point CFT of a simple current of the current algebra current and computes "
     "its spectrum."},
    {"algebra minimal", "[N_susy N][level k]", COM_algebra_single,
     "Loads the minimal model with N supersymmetries (0, 1 or 2) at level k; for $N=2$ "
     "$c=3k/(k+2)$."},
    {"algebra", "", nullptr,
     "Selects the current theory: a type keyword followed by its parameters (see below)."},
    {"algebra a", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra b", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra c", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra d", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra e", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra f", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra g", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra at", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra $A_{2}^{(2)}$ at level k (rank 1 only)."},
    {"algebra bt", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra B(2) at rank r and level k."},
    {"algebra bc", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra B-tilde (B(2t)) at rank r and level k."},
    {"algebra ct", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra C(2) at rank r and level k."},
    {"algebra ft", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra F(2) at level k (rank 4 only)."},
    {"algebra gt", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra G(3) at level k (rank 2 only)."},
    {"algebra u", "[radius R]", COM_algebra_single,
     "Loads the U(1) (circle) theory with R primaries; $R=2$ is SU(2) level 1."},
    {"browse algebras", "", COM_browse_alg, "Lists the stored algebras (table \"Algebras\")."},
    {"display entry", "[col][field i]", COM_display_entry,
     "Prints the entry of one column of the spectrum table for field i."},
    {"new column", "[name][expression]", COM_newcol,
     "Adds a column to the spectrum table whose entries are the values of the expression, "
     "with # standing for the field number."},
    {"list", "(column_1)...(column_n)", COM_restore,
     "Shows the columns of the spectrum tables whose names begin with these words."},
    {"unlist", "(column_1)...(column_n)", COM_suppress,
     "Hides the columns of the spectrum tables whose names begin with these words."},
    {"check branching", "[pos_int G_type][pos_int G_rank][pos_int H_type][pos_int H_rank]",
     COM_check_branch, "Checks the branching table of algebra G into its subalgebra H."},
    {"browse susy", "(dim D)(L_susy)(R_susy)(m1)(m2)(int sym)", COM_check_susy,
     "Lists the space-time supersymmetry types and multiplets; each parameter narrows the list."},
    {"browse Lorentz", "[dim D]", COM_browse_Lorentz,
     "Lists the little-group representations of space-time dimension D (2 to 26)."},
    {"set custom_perm", "[filename]", COM_custom_perm,
     "Names the file of manually given permutations."},
    {"trace S", "[switch toggle]", COM_trace_s,
     "Switches the trace of S-matrix calls on (1) or off (0)."},
};

const char kFactorHelp[] =
    "Adds a factor of this type (rank r, level k) to the tensor product; with \"h\" the factor "
    "is divided out (a coset).";

// Tensor factors and names, registered in the default mode so that they also switch to
// tensor mode.
const CommandEntry kTensorFactorCommands[] = {
    {"tensor", "", COM_tensor,
     "Switches to tensor mode: the current theory becomes the tensor product (or coset) of the "
     "factors entered with \"g\" and \"h\", extended by the currents entered with "
     "\"current\"."},
    {"g", "", nullptr,
     "Adds a factor to the tensor product: a type keyword followed by its parameters (see below)."},
    {"g cft", "[CFT_name]", COM_g, "Adds the stored CFT of this name as a factor."},
    {"g minimal", "[N_susy N][level k]", COM_g,
     "Adds the minimal model with N supersymmetries at level k as a factor."},
    {"g orbifold", "[pos_int N]", COM_g, "Adds the $Z_2$ orbifold of the circle theory N as a factor."},
    {"g a", kTypeParameters, COM_g, kFactorHelp},
    {"g b", kTypeParameters, COM_g, kFactorHelp},
    {"g c", kTypeParameters, COM_g, kFactorHelp},
    {"g d", kTypeParameters, COM_g, kFactorHelp},
    {"g e", kTypeParameters, COM_g, kFactorHelp},
    {"g f", kTypeParameters, COM_g, kFactorHelp},
    {"g g", kTypeParameters, COM_g, kFactorHelp},
    {"g at", kTypeParameters, COM_g, kFactorHelp},
    {"g bt", kTypeParameters, COM_g, kFactorHelp},
    {"g bc", kTypeParameters, COM_g, kFactorHelp},
    {"g ct", kTypeParameters, COM_g, kFactorHelp},
    {"g ft", kTypeParameters, COM_g, kFactorHelp},
    {"g gt", kTypeParameters, COM_g, kFactorHelp},
    {"g u", "[radius R]", COM_g, "Adds the U(1) (circle) theory with R primaries as a factor."},
    {"h", "", nullptr,
     "Adds a factor that is divided out (the denominator of a coset G/H): a type keyword followed "
     "by its parameters (see below)."},
    {"h cft", "[CFT_name]", COM_h, "Divides out the stored CFT of this name."},
    {"h a", kTypeParameters, COM_h, kFactorHelp},
    {"h b", kTypeParameters, COM_h, kFactorHelp},
    {"h c", kTypeParameters, COM_h, kFactorHelp},
    {"h d", kTypeParameters, COM_h, kFactorHelp},
    {"h e", kTypeParameters, COM_h, kFactorHelp},
    {"h f", kTypeParameters, COM_h, kFactorHelp},
    {"h g", kTypeParameters, COM_h, kFactorHelp},
    {"h at", kTypeParameters, COM_h, kFactorHelp},
    {"h bt", kTypeParameters, COM_h, kFactorHelp},
    {"h bc", kTypeParameters, COM_h, kFactorHelp},
    {"h ct", kTypeParameters, COM_h, kFactorHelp},
    {"h ft", kTypeParameters, COM_h, kFactorHelp},
    {"h gt", kTypeParameters, COM_h, kFactorHelp},
    {"h u", "[radius R]", COM_h, "Divides out the U(1) (circle) theory with R primaries."},
    {"browse name", "", COM_browse_name,
     "Shows the name of the tensor product used in file names, the full name of its output files "
     "and its TeX name."},
    {"browse cy", "", COM_list_cy,
     "Lists the 168 tensor products of N=2 minimal models with $c=9$: number and level code."},
    {"build non_susy_cy", "[int code]", COM_build_nonsusycy,
     "Builds the tensor product of the graded D5 space-time factor and the N=2 minimal models "
     "of a code (a number of the list of \"browse cy\", or the levels as digits) without a "
     "supersymmetry current; the spectrum is not computed."},
    {"build cy", "[pos_int code]", COM_build_cy,
     "Builds the supersymmetric tensor product of the graded D5 space-time factor and the N=2 "
     "minimal models of a code (a number of the list of \"browse cy\", or the levels as "
     "digits) with the current that is 1 in every factor, computes its spectrum and stores all "
     "its simple-current modular invariants (Autostore, Selection symmetric and Reject "
     "permutations are switched on)."},
    {"search tachyons", "[int code]", COM_search_tachyons,
     "Builds the non-supersymmetric tensor product of a code as \"build non_susy_cy\" does and "
     "searches for a spinor current and scalar currents that project out every tachyon."},
    {"Browse permutations", "", COM_symmetrize,
     "Lists the permutations of the simple currents induced by the symmetries of the current theory: permutations of identical tensor factors combined with outer automorphisms of the factors, or the outer automorphisms of a single algebra."},
};

const HelpAttachment kTensorFactorHelp[] = {
    {"g", HLP_types},
    {"h", HLP_types},
    {"g minimal", HLP_minimal},
};

const CommandEntry kTensorCommands[] = {
    {"reset tensor", "", COM_reset, "Empties the tensor product: no factors, no currents."},
    {"reset currents", "", COM_reset_currents,
     "Removes the currents of the tensor product; its factors stay."},
    {"current", "(fcur current_1)...(fcur current_n)", COM_current,
     "Extends the chiral algebra of the tensor product by a simple current: one simple-current "
     "label per factor (integer weight and integer charges w.r.t. earlier currents)."},
    {"browse chiral_algebra", "", COM_browse_chiral,
     "Lists the elements of the chiral algebra with their weights."},
    {"select extension", "[non_neg_int nr.]", COM_select_extension,
     "Extends the tensor product by the currents of collected extension nr (see \"collect "
     "extensions\") and computes its spectrum."},
    {"assign extension_number", "[non_neg_int nr]", COM_assign_extension,
     "Stores nr as the extension number of the tensor product (used in output file names)."},
    {"browse decomposition", "[field i](col_1)...(col_n)", COM_browse_decomp,
     "Lists the fields of the unextended tensor product that make up field i, with their "
     "weights and dimensions."},
    {"browse groundstate", "[field i](col_1)...(col_n)", COM_browse_decomp,
     "Like \"browse decomposition\", but shows the weights of the ground-state terms only."},
    {"create CFT", "[CFT_name]", COM_create,
     "Stores the current tensor product or coset as a new CFT of this name and makes it the "
     "current theory."},
};

const HelpAttachment kTensorHelp[] = {
    {"current", HLP_current},
    {"browse decomposition", HLP_decomp},
    {"browse groundstate", HLP_decomp},
    {"create CFT", HLP_create},
};

// Simple-current queries of the modular mode, in single algebra and tensor mode alike.
const CommandEntry kCurrentQueryCommands[] = {
    {"check simple", "[field a]", COM_check_simple,
     "Prints TRUE when field a is a simple current (quantum dimension 1, exceptional ones "
     "included), else FALSE."},
    {"get order", "[current J][field a]", COM_get_order,
     "Prints the length of the orbit of field a under simple current J."},
    {"get weight", "[field a]", COM_get_weight, "Prints the conformal weight of field a as a fraction."},
    {"get charge", "[current J][field a]", COM_get_charge,
     "Prints the monodromy charge of field a w.r.t. simple current J as a fraction."},
    {"get twist", "[field ][current K][current J]", COM_get_twist,
     "Prints the twist (a power of i) of current K on field a, a fixed point of current J."},
    {"browse stabilizer", "[field lbl]", COM_browse_stab,
     "Shows the stabilizer of a field of the tensor product."},
    {"get conjugate", "[field a]", COM_get_conj, "Prints the label of the conjugate of field a."},
    {"check conjugates", "", COM_check_conj,
     "Compares the conjugate of every field with the one found from the rows of S."},
    {"check fp_conj", "", COM_check_fpconj,
     "Checks that the conjugate of every fixed point in each fixed-point CFT is the fixed point "
     "of the conjugate field."},
    {"check orbits", "", COM_check_orb,
     "Checks that every simple current J maps each field a to a single field (N(J,a,Ja)=1); for "
     "a single algebra also that S obeys the simple-current orbit relations."},
    {"check symmetry", "", COM_check_sym, "Checks that the S matrix is symmetric."},
};

const HelpAttachment kDefaultHelp[] = {
    {"compute massless_spectrum", HLP_restricted_spectrum},
    {"compute simple_current_spectrum", HLP_restricted_spectrum},
    {"algebra", HLP_algebra},
    {"algebra minimal", HLP_minimal},
    {"list", HLP_restore},
    {"unlist", HLP_restore},
    {"new column", HLP_newcol},
    {"browse susy", HLP_susy},
};

const CommandEntry kSingleAlgebraCommands[] = {
    {"dynkin", "(int i1)...(int in)", COM_getrep,
     "Prints the label of the field with these Dynkin labels (the affine label is left out for "
     "untwisted "
     "algebras)."},
    {"get fp_fusion", "[current J][field i][field g][field h]", COM_fp_fusion,
     "Fusion coefficient of field i with the fixed points g and h of current J in the fixed-point "
     "CFT of J (the ordinary coefficient for a current without fixed-point CFT of its own)."},
    {"get fcft_shift", "[current J]", COM_get_fcftshift,
     "Prints the shift parameter m of the fixed-point CFT of current J: $S^J = @exp[-i @pi m/4] "
     "O^J$."},
    {"check classes", "", COM_check_class,
     "Checks that the conjugacy class of every field agrees with its simple-current charges."},
    {"Weyl reflection", "[field i](simple_root j)", COM_weyl,
     "Reflects the Dynkin labels of field i in simple root j, or shows the images under the whole "
     "Weyl group."},
    {"Weyl orbit", "[field i]", COM_weylorbit,
     "Shows the distinct images of field i under the Weyl group."},
    {"Weyl Parity Orbits", "", COM_dynkinweylsignorbit,
     "Shows the Weyl orbits of the classes of Dynkin labels modulo 2."},
    {"Weyl Group", "", COM_weylGroup,
     "Lists the elements of the Weyl group as words in the simple reflections (the identity left "
     "out)."},
    {"Weyl Order", "", COM_weylOrder, "Prints the order of the Weyl group."},
    {"Weyl Multiply", "[non_neg_int i][non_neg_int j]", COM_weylmult,
     "Prints the index of the product of Weyl group elements i and j."},
    {"value grade", "", COM_val_grade, "Prints the grade current of the current algebra."},    {"browse Cartan", "", COM_Cartan, "Prints the Cartan matrix of the current affine Lie algebra."},
    {"browse twists", "", COM_browse_twist,
     "Tables of the twists F(a,J,K) of the fixed points a of every fixed-point current K."},
    {"browse etatwists", "", COM_etatwist,
     "Prints eta_J, eta_K, eta_JK, the twist F(J,K), G(J,K) and F/G for every fixed point and "
     "pair of fixed-point currents."},
    {"browse information", "", COM_browse_data, "Prints the stored data of the current algebra."},
    {"create permutation", "(name)", COM_build_perm,
     "Builds the Z2 permutation orbifold of two copies of the current algebra (default name: the "
     "algebra's name followed by _perm) and makes it current."},
    {"create complement", "(name)", COM_build_compl,
     "Builds the complement of the current algebra (conjugate S, opposite weights and central "
     "charge; default name: the algebra's name followed by _compl) and makes it current."},
    {"create center", "[name](non_neg_int J1)...(non_neg_int Jn)", COM_create_center,
     "Stores the current algebra under a new name with the simple-current group generated by "
     "J1 ... Jn (none: the trivial group), its fields ordered into the orbits of that group, and "
     "makes it current."},
    {"read characters", "", COM_load_char,
     "Reads the character expansions of the current algebra from its file <name>.chars in the "
     "data folder."},
    {"browse characters", "[field i]", COM_browse_char,
     "Shows the start of the character expansion of field i, as read by \"read characters\"."},
    {"set texstring", "(texstring)", COM_set_texstring,
     "Sets the TeX name of the current algebra (none: empty)."},
};

const CommandEntry kModularCommands[] = {
    {"s", "(field lbl1)(field lbl2)", COM_s, "Displays elements of the modular matrix S."},
    {"pmatrix", "(field lbl1)(field lbl2)", COM_pmatrix,
     "Displays elements of the orientifold matrix P."},
    {"fusion", "(field i)(field j)(field k)", COM_fusion,
     "Displays fusion rules $N_{ij}^k$, computed with the Verlinde formula."},
    {"simple_fusion", "[current J](field j)", COM_simple_fusion,
     "Displays the fusion of simple current J with field j, or with every field."},
    {"orbit", "[current J][field i]", COM_orbit,
     "Displays the orbit of field i under simple current J."},
    {"browse orbit primaries", "[current J][field i]", COM_orbit_primaries,
     "Shows the labels and weights of the fields on the orbit of field i under simple current J."},
    {"browse fixed_points", "[current J]", COM_browse_fixed,
     "Lists the fixed points of simple current J."},
    {"pfusion", "(field i)(field j)(field k)", COM_pfusion,
     "Displays the P-fusion coefficients $Y_{ij}^k=@sum_m S_{mi} P_{mj} P^*_{mk}/S_{m0}$."},
    {"check fusion", "(non_neg_int samples)", COM_check_fusion,
     "Checks that the Verlinde formula gives integer fusion coefficients: all of them, or the "
     "given number of random ones."},
    {"get schur", "(field a)", COM_get_Schur,
     "Prints the Frobenius-Schur indicator of field a (1 real, -1 pseudo-real, 0 complex), or "
     "of every field."},
    {"get g_schur", "[field p][field q]", COM_get_GenSchur,
     "Prints the generalized Frobenius-Schur indicator Z(p,q); Z(p,0) is the ordinary one."},
    {"check modular", "", COM_check_mod,
     "Checks that S is unitary and that $(ST)^3=S^2$, listing every failure with its size."},
    {"check unitarity", "(field a)(field b)", COM_check_unit,
     "Checks $@sum_k S(a,k)S(b,k)^*=@delta_{ab}$ for row a and column b, row a, or all rows."},
    {"browse origin", "[field i]", COM_browse_origin,
     "Shows where field i comes from: its labels in every theory it was built from."},
    {"Check Compare_algebras", "[name1][name2]", COM_compare_alg,
     "Prints every difference between the two stored CFTs."},
    {"identify", "(int lbl_1)...(int lbl_n)", COM_identify,
     "Finds the field with these Dynkin labels, or in tensor mode the field to which this "
     "combination of factor fields belongs."},
    {"check pmat", "", COM_check_pmat, "Computes every element of P once (a timing test)."},
    {"expand", "[field lbl]", COM_expand, "Shows the Dynkin labels of a field."},
    {"indices", "(field lbl)", COM_indices,
     "Determines the dimensions and higher Dynkin indices of the representations from fusion "
     "and the index sum rule, for one field or for all."},
    {"total simple_currents", "", COM_tot_cur,
     "Prints the number of simple currents of the group the current labels refer to (in "
     "tensor mode, those made of simple currents of the factors). Fields of quantum dimension "
     "1 outside it (exceptional simple currents, e.g. from resolved fixed points) are named "
     "in a notice, not counted."},
    {"get S_fix", "[current J][field i][field j]", COM_S_fix,
     "Prints the fixed-point resolution matrix $S^J_{ij}$ for fixed points i and j of current "
     "J."},
    {"get S_ola", "[current J][field i][field j]", COM_S_ola,
     "Prints the orbit Lie algebra matrix $O^J_{ij}$ for fixed points i and j of current J "
     "(without the phase of the shift)."},
    {"grade", "[current J]", COM_grade,
     "Grades the fields into NS and R sectors by their charges with respect to current J."},
    {"compute S_sum", "(field lbl_1)...(field lbl_n)", COM_S_sum,
     "Prints for every field i the sum of S(i,lbl) over the given labels."},
    {"check twist eta", "", COM_check_twist_eta,
     "Checks the relations between twists F and eta phases of the fixed points."},
    {"check twist definition", "", COM_check_twist_definition,
     "Checks that every twist is the same for all fixed-point S-matrix rows."},
    {"check twist all", "", COM_check_twist_all,
     "Runs the twist definition, product rule and eta-twist checks."},
    {"check twist product", "", COM_check_twist_prod,
     "Checks the product rules of the twists in their second and third argument."},
    {"browse simple_currents", "", COM_browse_simple,
     "Lists the simple currents with their weights, their decomposition in a basis of the "
     "current group and their fixed points."},
    {"browse eta", "", COM_browse_eta,
     "Table of the eta phases of the fixed points under every fixed-point current."},
    {"check eta", "", COM_checkEtaRelation,
     "Check $Y(f,0,i)/Y(f,0,0)=exp(i @pi h_J) @eta(J)$. Compares the eta phases of fixed "
     "points with their P-fusion coefficients."},
    {"browse Lie", "", COM_browse_spin1,
     "Shows the horizontal Lie algebra, the number of spin-1 currents and the dual Coxeter "
     "number."},
    {"browse CFT", "", COM_browse_cft,
     "Shows the name, central charge, number of primaries and of simple-current orbits."},
    {"dimension", "[field lbl]", COM_getdim,
     "Prints the dimension of the ground-state representation of a field."},
    {"Compute S_analytic", "(factor)(lbl_1)...(lbl_2r)", COM_raws,
     "Evaluates the Weyl-group sum for S at two real weights of r components each, times the "
     "factor."},
    {"browse integral_spin", "", COM_find_int,
     "Lists the fields of integer conformal weight with their spins and, for simple currents, "
     "their orders; \"check algebra\" takes multiplicities in this order."},
    {"check algebra", "(int mult_1)...(int mult_n)", COM_check_alg,
     "Tests the chiral algebra $@sum_k m_k f_k$ of the integer-spin fields f_k (in the order "
     "of \"browse integral_spin\", the identity first; missing multiplicities are 0): "
     "$@sum_k m_k S_{f_k j}$ must be real and non-negative for all j. An algebra that passes "
     "is completed to a modular invariant by splitting its fusion matrix into squares."},
    {"search MIPF extension", "", COM_find_ex,
     "Searches modular invariants of extension type (non-exhaustive algorithm): every chiral "
     "algebra of integer-spin fields within bounds on their multiplicities is tested as by "
     "\"check algebra\"."},
    {"reset invariants", "", COM_reset_invariants,
     "Forgets all stored modular invariants; the diagonal invariant becomes current."},
    {"store", "(name)", COM_store_bulk,
     "Stores the current modular invariant under the given name, or under the next name "
     "Invariant_n; an invariant already stored is not stored again."},
    {"browse invariants", "", COM_list_inv, "Lists the names of the stored modular invariants."},
    {"conjugate", "(name_1)(name_2)", COM_conj_bulk,
     "Conjugates the current modular invariant (every right field replaced by its "
     "conjugate), or the stored invariant name_1 storing the result as name_2."},
    {"transpose", "(name_1)(name_2)", COM_transpose_bulk,
     "Transposes the current modular invariant, or the stored invariant name_1 storing the "
     "result as name_2."},
    {"select diagonal_invariant", "", COM_reset_open,
     "Makes the diagonal modular invariant current (the Cardy case in boundary CFT)."},
    {"select conjugation_invariant", "", COM_set_conjug,
     "Makes the charge-conjugation modular invariant current; with Autostore on it is also "
     "stored."},
    {"multiply", "[name1][name2](name3)", COM_mult_bulk,
     "Multiplies the stored modular invariants name1 and name2 (names or numbers), prints the "
     "product divided by the common factor of its multiplicities, and stores it as name3 or as "
     "the next Invariant_n unless it is already present. A product whose vacuum row does not "
     "hold the vacuum exactly once is not normalizable and is only printed."},
    {"multiply close", "", COM_close_mult,
     "Multiplies every pair of stored modular invariants, the new products included, until "
     "the store is closed under multiplication."},
    {"multiply close display", "", COM_close_mult_display,
     "As \"multiply close\", printing every product."},
    {"browse bulk_invariant", "(name)", COM_browse_bulkinvariant,
     "Reports on the current modular invariant, or the stored one of the given name or "
     "number: its identifier and selection criteria, its kind, chiral algebras, monodromy and "
     "X matrix, symmetry, the partition function and the number of Ishibashi labels."},
    {"browse MIPF", "(name)", COM_browse_MIPF,
     "Reports on the current modular invariant as \"browse bulk_invariant\" does, without the "
     "partition function and the group structure; the name is not used."},
    {"set require left", "(current J_1)...(current J_n)", COM_sel_left,
     "Selects only modular invariants whose left chiral algebra contains all of the currents; "
     "without currents the requirement is cleared."},
    {"set present left", "(current J_1)...(current J_n)", COM_sel_left_any,
     "Selects only modular invariants whose left chiral algebra contains at least one of the "
     "currents; without currents the requirement is cleared."},
    {"set require right", "(current J_1)...(current J_n)", COM_sel_right,
     "Selects only modular invariants whose right chiral algebra contains all of the "
     "currents; without currents the requirement is cleared."},
    {"set present right", "(current J_1)...(current J_n)", COM_sel_right_any,
     "Selects only modular invariants whose right chiral algebra contains at least one of the "
     "currents; without currents the requirement is cleared."},
    {"set forbid left", "(current J_1)...(current J_n)", COM_forbid_left,
     "Rejects modular invariants whose left chiral algebra contains any of the currents; "
     "without currents nothing is forbidden."},
    {"set forbid right", "(current J_1)...(current J_n)", COM_forbid_right,
     "Rejects modular invariants whose right chiral algebra contains any of the currents; "
     "without currents nothing is forbidden."},
    {"set selection automorphism", "(pair_1)...(pair_n)", COM_sel_auto,
     "Selects only automorphism invariants that map field x to field y for every pair x:y; "
     "\"off\" switches the requirement off."},
    {"show selection criteria", "", COM_show_sel_crit,
     "Shows the active selection criteria of modular invariants."},
    {"reset selection", "", COM_reset_selection,
     "Clears the selection criteria of modular invariants and forgets the stored invariants."},
    {"set loop_command", "[commandline](word_2)...(word_n)", COM_set_loop_com,
     "Runs the command line on every generated modular invariant; \"set loop_command OFF\" "
     "clears it."},
    {"search MIPF simple_current", "", COM_comp_inv,
     "Generates every simple-current modular invariant of the current theory, subgroup by "
     "subgroup of the centre, and prints their number."},
    {"generate simple_current_invariants", "(current J_1)(current J_2)...(current J_n)", COM_comp_inv,
     "Without currents: generates every simple-current modular invariant of the current theory "
     "(numbered in a fixed order, stored under \"set autostore on\", each run through the loop "
     "command). With currents: prints the number of invariants of the subgroup they generate."},
    {"select simple_current_invariant with_torsion_subgroup", "(current J_1)(current J_2)...(current J_n)",
     COM_set_bulk,
     "Selects a simple-current invariant of the subgroup generated by the currents (asking, or "
     "taking the number set by \"set autoselect\") and makes it current; without currents the "
     "diagonal invariant is selected."},
    {"select simple_current_invariant in_torsion_subgroup", "(current J_1)(current J_2)...(current J_n)",
     COM_set_bulk_all,
     "Generates the simple-current invariants of every subgroup of the subgroup generated by the "
     "currents (permutation rejection is switched off); then the diagonal invariant is current."},
    {"compute galois_orbits", "", COM_compute_galois,
     "Lists the Galois permutations of the primaries: for every unit l of the conductor M of "
     "the S matrix, the cycles of the map $@lambda+@rho @to l(@lambda+@rho)$ (reduced by the "
     "affine Weyl group), with a minus sign where the Weyl sign is odd and *** where all "
     "fields of a cycle have equal conformal weight modulo integers."},
    {"compute scale_orbits", "", COM_compute_scale,
     "Lists the scale (dilatation) maps $@lambda+@rho @to l(@lambda+@rho)$ for the l in 2 to M-2 "
     "that share a factor with the conductor M of the S matrix: chains and cycles of fields, "
     "X where a field has no image."},
    {"search galois_invariants", "", COM_compute_galoisinvariants,
     "Searches modular invariants among the integer combinations of the Galois and scale "
     "permutations of the primaries: the combinations with non-negative entries, $Z_{00}=1$ and "
     "$Z_{ab}=0$ where the weights of a and b differ modulo integers are printed; those that "
     "also commute with S are accepted and stored when Autostore is on."},
    {"select invariant", "[invariant]", COM_select_invariant,
     "Makes a modular invariant current: a stored one by its name or MIPF number, or one typed "
     "as for \"check invariant\", which must commute with S and T. A name or number that is "
     "not found makes the diagonal invariant current."},
    {"check invariant", "[invariant]", COM_check_invariant,
     "Checks that the typed modular invariant commutes with S and T without making it current. "
     "It is written as a sum of terms such as n*(a+b+c)*(d+m*e+f)+(g+h)^2+k*(i)^2, with "
     "multiplicities n, m, k and field labels a to i (a first term with a multiplicity begins "
     "with \"+\"), or as a permutation of the fields in cycles such as <a,b,c><d,e>."},
    {"select exceptional_invariant", "(int nr_1)...(int nr_n)", COM_set_exceptional,
     "Makes the built-in exceptional invariant current: the E6, E7 or E8 invariant of A1 at "
     "level 10, 16 or 28, or the one it induces on the N=2 minimal model of that level. In "
     "tensor mode one number per factor: 0 takes the diagonal invariant of that factor, any "
     "other number its exceptional one."},
    {"search MIPF automorphism", "", COM_find_auto,
     "Searches the permutations of the fields that commute with S and T, refining the fields "
     "by weight and by S; each invariant found is printed and stored when Autostore is on."},
    {"search MIPF built_in", "", COM_find_inv,
     "Builds the modular invariants known in closed form; these exist only for the c=1 "
     "orbifolds: the twist exchange (even n), the automorphisms of $R^2=p/q$ with pq=n and the "
     "extensions of $R^2=n/m^2$."},
};

// The boundary mode in its two groups: the oriented commands run the oriented set-up first,
// the unoriented ones also that of the current orientifold.
const CommandEntry kOrientedBoundaryCommands[] = {
    {"get reflection", "(Ishibashi i)(bound a)", COM_reflection,
     "Prints the reflection coefficients R(i,a) of Ishibashi label i and boundary a (all of "
     "them when not given)."},
    {"check oriented_annulus", "", COM_check_open_oriented,
     "Computes every oriented annulus coefficient A^i_ab; a coefficient that is not an "
     "integer is reported."},
    {"browse boundary", "(bound a)", COM_browse_bound,
     "Lists the boundary labels (primary, or [primary,character] for a resolved fixed point; "
     "* marks a boundary that breaks a bulk symmetry)."},
    {"browse reps boundary", "[bound a]", COM_browse_bound_det,
     "Shows a boundary label and the spectrum rows of the primaries of its orbit."},
    {"browse orbit boundary", "[bound a]", COM_browse_boundary_orbit,
     "Shows the orbit of a boundary label under the boundary currents."},
    {"browse orbit Ishibashi", "[Ishibashi m]", COM_browse_Ishibashi_orbit,
     "Shows the orbit of an Ishibashi label under the Ishibashi currents."},
    {"browse Ishibashi", "(Ishibashi a)", COM_browse_ishibashi,
     "Lists the Ishibashi labels: the primary, and its degeneracy label when it has several."},
    {"check completeness", "", COM_check_complete,
     "Checks that there are as many boundary labels as Ishibashi labels."},
    {"check reflection", "", COM_check_reflection,
     "Compares the stored reflection coefficients with directly computed ones."},
    {"total boundaries", "", COM_tot_bnd, "Prints the number of boundary labels."},
    {"total ishibashi", "", COM_tot_ishi, "Prints the number of Ishibashi labels."},
    {"get bfusion", "[field i][bound a]", COM_bfus,
     "Prints the boundary fusion of field i with boundary a as a sum of boundaries."},
    {"get NIMrep", "(field i)(bound a)(bound b)", COM_NIMrep,
     "Prints the NIM-representation matrices A^i_a^b given by the oriented annulus."},
};

const CommandEntry kUnorientedBoundaryCommands[] = {
    {"get crosscap", "(Ishibashi i)", COM_crosscoeff,
     "Prints the crosscap coefficients C(i) of the current orientifold."},
    {"set kleinbottle", "[current J]", COM_set_crosscap,
     "Sets the Klein-bottle current of the current orientifold."},
    {"select klein", "(entry_1)...(entry_n)", COM_select_klein,
     "Exceptional invariants: the Klein bottle starts from the standard one and each entry "
     "lbl:val sets the coefficient of field lbl."},
    {"select klein nr", "[non_neg_int nr]", COM_select_klein_nr,
     "Exceptional invariants: takes Klein bottle nr of those found by the Klein-bottle search."},
    {"reset Orientifold", "", COM_reset_crosscap,
     "Sets the Klein-bottle current and all crosscap signs back to their defaults."},
    {"set crosscap_signs", "(sign s_1)...(sign s_n)", COM_crosssign,
     "Sets the crosscap signs of the current orientifold, one per cyclic factor of the "
     "simple-current group of the invariant; missing signs are +1."},
    {"reset bulk", "", COM_reset_open,
     "Makes the diagonal invariant current again, with the default Klein bottle."},
};

const HelpAttachment kModularHelp[] = {
    {"pmatrix", HLP_pmatrix},
    {"s", HLP_s},
    {"check unitarity", HLP_s},
    {"fusion", HLP_fusion},
    {"pfusion", HLP_pfusion},
    {"check twist eta", HLP_twists},
};

// Attached once every mode has registered its commands; phrases of layers not built yet
// are skipped.
const HelpAttachment kBulkHelp[] = {
    {"select", HLP_bulk},
    {"conjugate", HLP_bulk},
    {"make bulk exceptional", HLP_bulk},
    {"browse bulk_invariant", HLP_bulk},
    {"reset bulk", HLP_bulk},
};

// The catalogue selection's parameters, attached once its commands are registered.
const HelpAttachment kCatalogueHelp[] = {
    {"select quvr set", HLP_criteria},
    {"select quvr reset", HLP_criteria},
};

const HelpAttachment kSettingHelp[] = {
    {"set maxrank", HLP_maxrank},           {"set graded", HLP_graded},
    {"set dimension", HLP_space_dim},       {"set super", HLP_super},
    {"set use_orbits", HLP_use_orbits},     {"set store_s", HLP_store_s},
    {"set store_s_fcft", HLP_store_s_fcft},
};

template <std::size_t N>
void registerTable(const CommandEntry (&table)[N]) {
  for (const CommandEntry& entry : table)
    initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

template <std::size_t N>
void attachHelp(const HelpAttachment (&table)[N]) {
  for (const HelpAttachment& entry : table) addHelp(entry.words, entry.function);
}

void initializeDefaultModeCommands() {
  setCurrentMode(getDefaultMode());
  registerTable(kDefaultCommands);
  attachHelp(kDefaultHelp);
  registerTable(kTensorFactorCommands);
  attachHelp(kTensorFactorHelp);
  registerHeteroticCommands();
  registerOrientifoldCountCommands();
  registerStringDefaultCommands();
  registerSearchDefaultCommands();
  registerScanDefaultCommands();
  registerQuvrDefaultCommands();
  registerSMSearchDefaultCommands();
  registerBraneScanCommands();
}

void initializeSingleAlgebraModeCommands() {
  CommandsState& s = commandsState();
  s.singleAlgebraMode = makeMode("Command only works in single algebra mode");
  setCurrentMode(s.singleAlgebraMode);
  registerTable(kSingleAlgebraCommands);
  registerGaussCommand();
}

void initializeTensorModeCommands() {
  CommandsState& s = commandsState();
  if (s.tensorMode == nullptr) s.tensorMode = makeMode("Command only works in tensor mode");
  setCurrentMode(s.tensorMode);
  registerTable(kTensorCommands);
  attachHelp(kTensorHelp);
  registerHeteroticTensorCommands();
}

void initializeHeteroticModeCommands() {
  commandsState().heteroticMode = makeMode("Command only works in heterotic mode");
  setCurrentMode(commandsState().heteroticMode);
  registerHeteroticModeCommands();
}

void initializeModularModeCommands() {
  CommandsState& s = commandsState();
  s.modularMode = makeMode("No modular data; type \"compute spectrum\" first.");
  setCurrentMode(s.modularMode);
  registerTable(kModularCommands);
  attachHelp(kModularHelp);
  registerTable(kCurrentQueryCommands);
  // Registered but switched off: the command is known and refused.
  disableCommand("browse stabilizer");
  registerPermutationCommands();
  registerOrientifoldModularCommands();
  registerInvariantScanCommands();
  registerStringModularCommands();
  registerStringBrowseCommands();
  registerScanModularCommands();
  registerSMSearchModularCommands();
}

void initializeBoundaryModeCommands() {
  CommandsState& s = commandsState();
  s.boundaryMode = makeMode("No open string and bulk invariant data available");
  addModeFunction(s.boundaryMode, InitializeOpenStrings);
  setCurrentMode(s.boundaryMode);
  setCurrentPreCommand(initializeOrientedOpenString);
  registerTable(kOrientedBoundaryCommands);
  registerOrientedOrientifoldCommands();
  registerStringOrientedBoundaryCommands();
  registerBoundarySearchCommands();
  registerIntersectionCommands();
  setCurrentPreCommand(initializeOpenString);
  registerTable(kUnorientedBoundaryCommands);
  registerUnorientedOrientifoldCommands();
  registerStringUnorientedBoundaryCommands();
  registerSearchBoundaryCommands();
  registerQuvrBoundaryCommands();
  registerTadpoleCommands();
  registerSMSearchBoundaryCommands();
  setCurrentPreCommand(nullptr);
  addHelp("reset bulk", HLP_bulk);
}

}  // namespace

CommandsState& commandsState() {
  static CommandsState s;
  return s;
}

bool commandsHighPrecision() {
  return parameterValue(commandsState().doublePrecision, 0) != 0;
}

AutostoreOn::AutostoreOn() : saved_(parameterValue(getIntParPointer("Autostore"), 0)) {
  setIntPar("Autostore", 1);
}
AutostoreOn::~AutostoreOn() { setIntPar("Autostore", saved_); }

void initializeCommands() {
  CommandsState& s = commandsState();
  if (s.initialized) return;
  s.initialized = true;
  initializeGeneralCommands();
  getConversion("current", makeConversionMethod(CONV_getCurrent, 'i', "Simple current"));
  getConversion("fcur", makeConversionMethod(CONV_getfcur, 'i', "Simple current in tensor factor"));
  getConversion("fprim", makeConversionMethod(CONV_getffield, 'i', "CFT primary in tensor factor"));
  getConversion("field", makeConversionMethod(CONV_getLabel, 'i', "Primary field label"));
  getConversion("simple_root", makeConversionMethod(CONV_getRoot, 'i', "Simple root"));
  getConversion("N_susy", makeConversionMethod(CONV_getN_susy, 'i', "Number of supersymmetries"));
  getConversion("level", makeConversionMethod(CONV_getlevel, 'i', "Level (central charge)"));
  getConversion("radius", makeConversionMethod(CONV_getradius, 'i',
                                               "Circle radius (defined as number of primaries)"));
  getConversion("rank", makeConversionMethod(CONV_getrank, 'i', "Rank of horizontal algebra"));
  getConversion("dim",
                makeConversionMethod(CONV_getdim, 'i', "Space-time dimension in superstring mode"));
  getConversion("bound", makeConversionMethod(CONV_getBound, 'i', "Boundary label"));
  getConversion("Ishibashi", makeConversionMethod(CONV_getIshibashi, 'i', "Ishibashi label"));
  s.tensorMode = makeMode("Command only works in tensor mode");
  initializeDefaultModeCommands();
  initializeSingleAlgebraModeCommands();
  initializeTensorModeCommands();
  initializeHeteroticModeCommands();
  initializeModularModeCommands();
  initializeBoundaryModeCommands();
  for (const HelpAttachment& entry : kBulkHelp) {
    if (matchComKey(entry.words) != nullptr) addHelp(entry.words, entry.function);
  }
  for (const HelpAttachment& entry : kCatalogueHelp) {
    if (matchComKey(entry.words) != nullptr) addHelp(entry.words, entry.function);
  }
  setCurrentPreCommand(nullptr);
  setCurrentMode(getDefaultMode());
}

void initializeCommandPointers() {
  commandsState().maxrank = getIntParPointer("Maxrank");
  // Settings that a later subsystem defines are left without the extra help.
  for (const HelpAttachment& entry : kSettingHelp) {
    if (matchComKey(entry.words) != nullptr) addHelp(entry.words, entry.function);
  }
  // The store's cells of "Spectrum" and "Algebras", filtered by the weight selection and the
  // massless-only switch of the display commands.
  initializeStoremanagerTables();
  SM_setSpectrumSelection(&SelectedWeightNum, &SelectedWeightDen, &massless_only);
  CT_setSpectrumSelection(&SelectedWeightNum, &SelectedWeightDen, &massless_only);
  // The report of a tachyon-free case lists the current bulk invariant.
  TachyonFreeReport report = tachyonFreeReport();
  report.bulkInvariant = printCurrentBulkInvariant;
  report.orientifoldNumber = currentOrientifoldNumber;
  report.orientifold = printCurrentOrientifold;
  setTachyonFreeReport(report);
  // Catalogue tools rebuild the tensor product of an entry the way "build cy" does.
  setMinimalTensorBuilder(buildCatalogueTensorProduct);
}

void initializeCommandParameters() {
  CommandsState& s = commandsState();
  s.doublePrecision = getIntParPointer("High_precision");
  s.super = getIntParPointer("Super");
  s.autoStore = getIntParPointer("Autostore");
  s.removeId = getIntParPointer("Tadpole remove_identical");
  s.terminalInput = getIntParPointer("interactive");
  s.maxConf = getIntParPointer("Tadpole maxconf");
  s.heteroticFactors = getIntParPointer("Heterotic factors");
  s.particleFactors = getIntParPointer("Particle factors");
  s.smInfo = getIntParPointer("Standard_Model info_level");
  s.storeS = getIntParPointer("Store_S");
  if (currentSD != nullptr) setCurrentTheory(currentSD);
}

void resetCommands() {
  CommandsState& s = commandsState();
  s.spectrumComputed = 0;
  s.susic = 0;
  s.currentCY = "UNDEFINED";
  s.dynkinLabels.release();
  s.reflected.release();
  s.weylImage.release();
  s.homomorphismLabels.release();
  SelectedWeightNum = -1;
  SelectedWeightDen = -1;
  massless_only = 0;
  if (currentSD != nullptr) setCurrentTheory(currentSD);
}

Mode* getTensorMode() {
  return commandsState().tensorMode;
}
Mode* getSingleAlgebraMode() {
  return commandsState().singleAlgebraMode;
}
Mode* getHeteroticMode() {
  return commandsState().heteroticMode;
}
Mode* getModularMode() {
  return commandsState().modularMode;
}
Mode* getBoundaryMode() {
  return commandsState().boundaryMode;
}

int getSpectrumComputed() {
  return commandsState().spectrumComputed;
}

void setCurrentTheory(SpectrumData* sd) {
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  TotalCurrents = sd->scgroup != nullptr ? &sd->scgroup->order : nullptr;
}

std::string lastCommandWord() {
  const std::vector<std::string>& words = getRunningCommandWords();
  return words.empty() ? std::string() : words.back();
}

int tensorModeOn() {
  return KMCosetSwitch;
}

SpectrumData* currentRecord() {
  return currentSD;
}

int totalPrimaries() {
  return TotalPrimaries != nullptr ? *TotalPrimaries : 0;
}
int totalCurrents() {
  return TotalCurrents != nullptr ? *TotalCurrents : 1;
}

// ---------------------------------------------------------------------------------------
// Mode switches

void disableModular() {
  resetAlgebraRequirements();
  resetInvariantStore();
  resetSelectionCriteria();
  CommandsState& s = commandsState();
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  s.spectrumComputed = 0;
}

void enableModular() {
  CommandsState& s = commandsState();
  if (!tensorModeOn() && (currentSD == nullptr || currentSD->validity == 0)) {
    Print("No modular data are available for this algebra\n");
    return;
  }
  switchMode(s.modularMode, 1);
  s.spectrumComputed = 1;
  CFTChanged();
  storeCurrentBulkInvariant();
  switchMode(s.boundaryMode, 1);
}

void enableCoset() {
  CommandsState& s = commandsState();
  switchMode(s.tensorMode, 1);
  switchMode(s.singleAlgebraMode, 0);
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  switchMode(s.heteroticMode, 0);
}

void disableCoset() {
  disableModular();
  CommandsState& s = commandsState();
  switchMode(s.tensorMode, 0);
  switchMode(s.singleAlgebraMode, 1);
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  switchMode(s.heteroticMode, 0);
}
